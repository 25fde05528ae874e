// The host's TRUE and FALSE after pocketsphinx has defined its macros.
#include <pocketsphinx.h>

#include "HostApi.h"

namespace lipsmith {

BOOL HostTrueAfterSphinx() { return TRUE; }
BOOL HostFalseAfterSphinx() { return FALSE; }
static_assert(TRUE == 1 && FALSE == 0);

}  // namespace lipsmith
