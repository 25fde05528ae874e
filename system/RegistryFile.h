// The registry store's tree and its text file. The file reads like this:
//
//   Lipsmith Registry 1
//
//   [HKEY_CURRENT_USER\Software\Tarnwick Works\Lipsmith]
//   "MapFile"="/home/ann/maps/robot.xml"
//   @="the key's default value"
//
// One section per key that holds values or has no subkeys (parents are implied
// by their children). Value texts escape \\ \" \n \r \t and other control
// bytes as \xHH. Lines starting with ';' or '#' are comments.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Registry.h"

namespace lipsmith {

bool EqualsNoCase(std::string_view a, std::string_view b);

struct RegistryKeyNode {
    std::string name;                                         // as first written
    std::vector<std::pair<std::string, std::string>> values;  // in the order set
    std::vector<RegistryKeyNode> children;                    // sorted without regard to case

    RegistryKeyNode* FindChild(std::string_view childName);
    const RegistryKeyNode* FindChild(std::string_view childName) const;
    // The child of that name, added when missing.
    RegistryKeyNode& Child(std::string_view childName);
    bool RemoveChild(std::string_view childName);

    const std::string* FindValue(std::string_view valueName) const;
    void SetValue(std::string_view valueName, std::string_view text);
    bool RemoveValue(std::string_view valueName);
};

struct RegistryTree {
    RegistryKeyNode currentUser{"HKEY_CURRENT_USER", {}, {}};
    RegistryKeyNode classesRoot{"HKEY_CLASSES_ROOT", {}, {}};

    RegistryKeyNode& Root(Hive hive) { return hive == Hive::CurrentUser ? currentUser : classesRoot; }
    const RegistryKeyNode& Root(Hive hive) const {
        return hive == Hive::CurrentUser ? currentUser : classesRoot;
    }
};

// Splits "A\B\C" into its names. The empty path is the hive itself. Fails on
// empty names ("A\\B", a leading or trailing backslash) and control characters.
std::optional<std::vector<std::string>> SplitKeyPath(std::string_view path);

std::string SerializeRegistry(const RegistryTree& tree);

// Reads a store file into `tree` (which is cleared first). Returns a
// description of the first problem ("line 4: ...") when the text is not a
// store file; an empty text is an empty store.
std::optional<std::string> ParseRegistry(std::string_view text, RegistryTree& tree);

}  // namespace lipsmith
