// The scene explorer: the node tree with each node's float tracks and the
// controller class in each, and the edits the animator makes there (nodes
// added, renamed and deleted, float tracks added, controllers assigned).
// The tree is rebuilt from the scene whenever the scene changes.
#pragma once
#include <QWidget>
#include <string>
#include <vector>

#include "ClassDesc.h"
#include "Interface.h"

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace lipsmith::studio {

class SceneExplorer : public QWidget {
    Q_OBJECT
public:
    explicit SceneExplorer(Interface& ip, QWidget* parent = nullptr);

    void Refresh();
    QTreeWidget* Tree() const { return tree_; }
    // The selected node (a track's node when a track is selected), if still in the scene.
    INode* CurrentNode() const;
    // The selected track's index, -1 when a node is selected.
    int CurrentTrack() const;
    void SelectNode(INode* node, int track = -1);

    // The edits behind the buttons, with the names the dialogs would ask
    // for. Each answers whether it was done; a refused edit shows why.
    bool AddNodeNamed(const QString& name, bool asChild);
    bool RenameCurrent(const QString& name);
    bool DeleteCurrent(bool ask);
    bool AddTrackNamed(const QString& name);
    bool AssignToCurrent(ClassDesc* desc);

signals:
    void NodeSelected(INode* node);

private:
    struct Signature {
        INode* node;
        std::string name;
        int depth;
        std::vector<std::pair<std::string, Animatable*>> tracks;
        bool operator==(const Signature&) const = default;
    };
    std::vector<Signature> Walk() const;
    void Rebuild(const std::vector<Signature>& walk);
    void UpdateButtons();
    bool Report(bool ok, const std::string& error);

    Interface& ip_;
    QTreeWidget* tree_ = nullptr;
    QPushButton* addNode_ = nullptr;
    QPushButton* addChild_ = nullptr;
    QPushButton* rename_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* addTrack_ = nullptr;
    QPushButton* assign_ = nullptr;
    std::vector<Signature> shown_;
};

}  // namespace lipsmith::studio
