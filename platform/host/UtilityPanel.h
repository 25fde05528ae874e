// The Utilities panel of a host, without its windows: the utility classes
// the loaded plug-ins offer and the life cycle of the one open utility
// (BeginEditParams when opened, EndEditParams when closed). A desktop host
// shows a button per class and the open utility's rollup pages; the
// utility closes itself through IUtil::CloseUtility.
#pragma once
#include <functional>
#include <vector>

#include "ClassDesc.h"
#include "Utility.h"

namespace lipsmith {

class HOST_API UtilityPanel : public IUtil {
public:
    explicit UtilityPanel(Interface& ip);
    // Closes the open utility.
    ~UtilityPanel() override;
    UtilityPanel(const UtilityPanel&) = delete;
    UtilityPanel& operator=(const UtilityPanel&) = delete;

    // The public utility classes (UTILITY_CLASS_ID) of the class directory,
    // in the order they were registered.
    static std::vector<ClassDesc*> UtilityClasses();

    // Opens the class's utility: the one open is closed first, then the
    // class creates its object and hears BeginEditParams. Opening the class
    // that is open does nothing. False for a class that is no utility or
    // that gives no object.
    bool OpenUtility(ClassDesc* cd);
    // Closes the open utility (EndEditParams, then DeleteThis); nothing when
    // none is open or it is closing already.
    void CloseUtility() override;

    ClassDesc* OpenClass() const { return openClass_; }
    UtilityObj* OpenObject() const { return open_; }

    // Called after a utility was opened or closed.
    void SetOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

private:
    Interface& ip_;
    ClassDesc* openClass_ = nullptr;
    UtilityObj* open_ = nullptr;
    bool closing_ = false;
    std::function<void()> onChange_;
};

}  // namespace lipsmith
