#include "SceneExplorer.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "MessageBox.h"
#include "SceneEdits.h"

namespace lipsmith::studio {
namespace {

constexpr int kNodeRole = Qt::UserRole + 1;
constexpr int kTrackRole = Qt::UserRole + 2;

void WalkNode(INode* node, int depth, std::vector<std::pair<INode*, int>>& out) {
    out.emplace_back(node, depth);
    for (int i = 0; i < node->NumberOfChildren(); ++i) WalkNode(node->GetChildNode(i), depth + 1, out);
}

QString ClassNameOf(Animatable* anim) {
    if (!anim) return "empty";
    TSTR name;
    anim->GetClassName(name);
    return QString::fromStdString(name.empty() ? std::string("controller") : name);
}

QPushButton* Button(const QString& text, const char* name, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAccessibleName(QString(text).remove(QChar(0x2026)));
    return b;
}

}  // namespace

SceneExplorer::SceneExplorer(Interface& ip, QWidget* parent) : QWidget(parent), ip_(ip) {
    tree_ = new QTreeWidget(this);
    tree_->setObjectName("sceneTree");
    tree_->setAccessibleName("Scene");
    tree_->setColumnCount(2);
    tree_->setHeaderLabels({"Name", "Controller"});
    tree_->header()->setAccessibleName("Columns");
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    addNode_ = Button("Add Node", "addNode", this);
    addChild_ = Button("Add Child", "addChildNode", this);
    rename_ = Button(QString::fromUtf8("Rename\u2026"), "renameNode", this);
    delete_ = Button("Delete", "deleteNode", this);
    addTrack_ = Button(QString::fromUtf8("Add Track\u2026"), "addTrack", this);
    assign_ = Button(QString::fromUtf8("Assign Controller\u2026"), "assignController", this);
    auto* grid = new QGridLayout;
    grid->addWidget(addNode_, 0, 0);
    grid->addWidget(addChild_, 0, 1);
    grid->addWidget(rename_, 1, 0);
    grid->addWidget(delete_, 1, 1);
    grid->addWidget(addTrack_, 2, 0);
    grid->addWidget(assign_, 2, 1);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(4, 4, 4, 4);
    box->addWidget(tree_, 1);
    box->addLayout(grid);

    connect(tree_, &QTreeWidget::currentItemChanged, this, [this] {
        UpdateButtons();
        emit NodeSelected(CurrentNode());
    });
    connect(addNode_, &QPushButton::clicked, this, [this] {
        AddNodeNamed(QString::fromStdString(UniqueNodeName(ip_, "Node")), false);
    });
    connect(addChild_, &QPushButton::clicked, this, [this] {
        AddNodeNamed(QString::fromStdString(UniqueNodeName(ip_, "Node")), true);
    });
    connect(rename_, &QPushButton::clicked, this, [this] {
        INode* node = CurrentNode();
        if (!node) return;
        bool ok = false;
        const QString name = QInputDialog::getText(this, "Rename Node", "Name:", QLineEdit::Normal,
                                                   QString::fromUtf8(node->GetName()), &ok);
        if (ok) RenameCurrent(name);
    });
    connect(delete_, &QPushButton::clicked, this, [this] { DeleteCurrent(true); });
    connect(addTrack_, &QPushButton::clicked, this, [this] {
        INode* node = CurrentNode();
        if (!node) return;
        bool ok = false;
        const QString name = QInputDialog::getText(this, "Add Float Track", "Track name:", QLineEdit::Normal,
                                                   QString::fromStdString(UniqueTrackName(node, "Float")), &ok);
        if (ok) AddTrackNamed(name);
    });
    connect(assign_, &QPushButton::clicked, this, [this] {
        const std::vector<ClassDesc*> classes = FloatControllerClasses();
        QStringList names;
        for (ClassDesc* cd : classes) names << QString::fromUtf8(cd->ClassName());
        bool ok = false;
        const QString chosen =
            QInputDialog::getItem(this, "Assign Controller", "Controller:", names, 0, false, &ok);
        const int i = static_cast<int>(names.indexOf(chosen));
        if (ok && i >= 0) AssignToCurrent(classes[static_cast<std::size_t>(i)]);
    });
    Refresh();
}

std::vector<SceneExplorer::Signature> SceneExplorer::Walk() const {
    std::vector<std::pair<INode*, int>> nodes;
    INode* root = ip_.GetRootNode();
    for (int i = 0; i < root->NumberOfChildren(); ++i) WalkNode(root->GetChildNode(i), 0, nodes);
    std::vector<Signature> out;
    for (auto [node, depth] : nodes) {
        Signature s{node, node->GetName(), depth, {}};
        for (int t = 0; t < node->NumTracks(); ++t) s.tracks.emplace_back(node->TrackName(t), node->GetTrackController(t));
        out.push_back(std::move(s));
    }
    return out;
}

void SceneExplorer::Refresh() {
    std::vector<Signature> walk = Walk();
    if (walk != shown_) Rebuild(walk);
    UpdateButtons();
}

void SceneExplorer::Rebuild(const std::vector<Signature>& walk) {
    INode* selNode = CurrentNode();
    const int selTrack = CurrentTrack();
    {
        const QSignalBlocker block(tree_);
        tree_->clear();
        std::vector<QTreeWidgetItem*> stack;
        for (const Signature& s : walk) {
            stack.resize(static_cast<std::size_t>(s.depth));
            auto* item = stack.empty() ? new QTreeWidgetItem(tree_) : new QTreeWidgetItem(stack.back());
            item->setText(0, QString::fromStdString(s.name));
            item->setData(0, kNodeRole, QVariant::fromValue(static_cast<void*>(s.node)));
            item->setData(0, kTrackRole, -1);
            QFont bold = item->font(0);
            bold.setBold(true);
            item->setFont(0, bold);
            for (std::size_t t = 0; t < s.tracks.size(); ++t) {
                auto* track = new QTreeWidgetItem(item);
                track->setText(0, QString::fromStdString(s.tracks[t].first));
                track->setText(1, ClassNameOf(s.tracks[t].second));
                track->setToolTip(0, ClassNameOf(s.tracks[t].second));
                track->setData(0, kNodeRole, QVariant::fromValue(static_cast<void*>(s.node)));
                track->setData(0, kTrackRole, static_cast<int>(t));
            }
            stack.push_back(item);
        }
        tree_->expandAll();
        tree_->resizeColumnToContents(0);
    }
    shown_ = walk;
    if (selNode && NodeInScene(ip_.GetRootNode(), selNode)) SelectNode(selNode, selTrack);
}

INode* SceneExplorer::CurrentNode() const {
    QTreeWidgetItem* it = tree_->currentItem();
    if (!it) return nullptr;
    auto* node = static_cast<INode*>(it->data(0, kNodeRole).value<void*>());
    return NodeInScene(ip_.GetRootNode(), node) ? node : nullptr;
}

int SceneExplorer::CurrentTrack() const {
    QTreeWidgetItem* it = tree_->currentItem();
    return it ? it->data(0, kTrackRole).toInt() : -1;
}

void SceneExplorer::SelectNode(INode* node, int track) {
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        if ((*it)->data(0, kNodeRole).value<void*>() == node && (*it)->data(0, kTrackRole).toInt() == track) {
            tree_->setCurrentItem(*it);
            return;
        }
    }
}

void SceneExplorer::UpdateButtons() {
    const bool node = CurrentNode() != nullptr;
    addChild_->setEnabled(node);
    rename_->setEnabled(node && CurrentTrack() < 0);
    delete_->setEnabled(node && CurrentTrack() < 0);
    addTrack_->setEnabled(node);
    assign_->setEnabled(node && CurrentTrack() >= 0);
}

bool SceneExplorer::Report(bool ok, const std::string& error) {
    if (!ok) ShowMessage(error, kDefaultCaption, MB_OK | MB_ICONWARNING);
    Refresh();
    return ok;
}

bool SceneExplorer::AddNodeNamed(const QString& name, bool asChild) {
    INode* parent = asChild ? CurrentNode() : nullptr;
    if (asChild && !parent) return Report(false, "No node is selected.");
    INode* made = nullptr;
    const EditResult r = AddNode(ip_, parent, name.trimmed().toStdString(), &made);
    Report(r.ok, r.error);
    if (made) SelectNode(made);
    return r.ok;
}

bool SceneExplorer::RenameCurrent(const QString& name) {
    const EditResult r = RenameNode(CurrentNode(), name.trimmed().toStdString());
    return Report(r.ok, r.error);
}

bool SceneExplorer::DeleteCurrent(bool ask) {
    INode* node = CurrentNode();
    if (!node || CurrentTrack() >= 0) return false;
    if (ask && ShowMessage(std::string("Delete the node '") + node->GetName() + "' and everything below it?",
                           kDefaultCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    const EditResult r = DeleteNode(ip_, node);
    return Report(r.ok, r.error);
}

bool SceneExplorer::AddTrackNamed(const QString& name) {
    INode* node = CurrentNode();
    const EditResult r = AddFloatTrack(node, name.trimmed().toStdString());
    Report(r.ok, r.error);
    if (r.ok) SelectNode(node, node->NumTracks() - 1);
    return r.ok;
}

bool SceneExplorer::AssignToCurrent(ClassDesc* desc) {
    INode* node = CurrentNode();
    const int track = CurrentTrack();
    const EditResult r = AssignController(node, track, desc);
    Report(r.ok, r.error);
    if (r.ok) SelectNode(node, track);
    return r.ok;
}

}  // namespace lipsmith::studio
