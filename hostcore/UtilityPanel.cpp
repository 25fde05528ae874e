#include "UtilityPanel.h"

namespace lipsmith {

UtilityPanel::UtilityPanel(Interface& ip) : ip_(ip) {}

UtilityPanel::~UtilityPanel() {
    onChange_ = nullptr;
    CloseUtility();
}

std::vector<ClassDesc*> UtilityPanel::UtilityClasses() {
    std::vector<ClassDesc*> classes;
    const ClassDirectory& dir = ClassDirectory::Get();
    for (int i = 0; i < dir.Count(); ++i) {
        ClassDesc* cd = dir[i];
        if (cd->SuperClassID() == UTILITY_CLASS_ID && cd->IsPublic()) classes.push_back(cd);
    }
    return classes;
}

bool UtilityPanel::OpenUtility(ClassDesc* cd) {
    if (!cd || cd->SuperClassID() != UTILITY_CLASS_ID) return false;
    if (cd == openClass_ && open_) return true;
    CloseUtility();
    if (open_) return false;  // the old one would not close (it is closing itself)
    auto* util = static_cast<UtilityObj*>(cd->Create(FALSE));
    if (!util) return false;
    open_ = util;
    openClass_ = cd;
    // The utility may close itself while it opens; open_ then is none again.
    util->BeginEditParams(&ip_, this);
    if (onChange_) onChange_();
    return open_ != nullptr;
}

void UtilityPanel::CloseUtility() {
    if (!open_ || closing_) return;
    closing_ = true;
    UtilityObj* util = open_;
    util->EndEditParams(&ip_, this);
    open_ = nullptr;
    openClass_ = nullptr;
    util->DeleteThis();
    closing_ = false;
    if (onChange_) onChange_();
}

}  // namespace lipsmith
