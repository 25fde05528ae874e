// The fourteen channel pictures (bitmaps 104 to 117), loaded once per process
// from the plug-in's built-in resources.
#pragma once
#include <QImage>

namespace lipsmith {

// The picture of a bitmap resource; a null image for ids outside 104..117.
const QImage& ChannelPicture(int bitmapResource);

}  // namespace lipsmith
