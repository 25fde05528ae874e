// The utility's pictures, painted here rather than loaded: the actors tree's
// node and controller images, the In Frame lock in both states and the
// picture of the "Text To Animation" page. Ids as in UtilityResource.h.
#pragma once
#include <QPixmap>

namespace lipsmith {

// 16 x 16 for the tree images, 20 x 16 for the locks, a banner for 4057;
// an empty pixmap for an unknown id.
QPixmap UtilityPicture(int id);

}  // namespace lipsmith
