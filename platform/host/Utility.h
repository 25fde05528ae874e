// Utility plug-ins: objects the host opens and closes in its Utilities panel.
#pragma once
#include "Interface.h"

// The Utilities panel, as the open utility sees it.
class HOST_API IUtil {
public:
    virtual ~IUtil();
    // Closes the open utility (the host then calls its EndEditParams).
    virtual void CloseUtility() = 0;
};

class HOST_API UtilityObj {
public:
    virtual ~UtilityObj();
    virtual void BeginEditParams(Interface* ip, IUtil* iu) = 0;
    virtual void EndEditParams(Interface* ip, IUtil* iu) = 0;
    virtual void SelectionSetChanged(Interface* /*ip*/, IUtil* /*iu*/) {}
    virtual void DeleteThis() = 0;
};
