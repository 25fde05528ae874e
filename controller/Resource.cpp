#include "Resource.h"

namespace lipsmith {

const char* GetControllerString(int id) {
    switch (id) {
        case IDS_LIBDESCRIPTION:
            return "Lipsmith Speech Controller . For support or further information contact "
                   "support@tarnwick-works.example";
        case IDS_CLASS_NAME: return "Lipsmith Controller";
        case IDS_PARAMS: return "Parameters";
        case IDS_SPEECH_CONTROLLER_VERSION:
            return "Lipsmith Speech Controller V1.0. For support or information contact "
                   "support@tarnwick-works.example";
        default: return nullptr;
    }
}

}  // namespace lipsmith
