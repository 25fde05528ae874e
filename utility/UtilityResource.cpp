#include "UtilityResource.h"

namespace lipsmith {

const char* GetUtilityString(int id) {
    switch (id) {
        case IDS_CATEGORY: return "Tarnwick Works";
        case IDS_CLASS_NAME: return "Lipsmith";
        case IDS_LIBDESCRIPTION:
            return "Lipsmith Utility Plugin. For support or further information contact "
                   "support@tarnwick-works.example";
        default: return nullptr;
    }
}

}  // namespace lipsmith
