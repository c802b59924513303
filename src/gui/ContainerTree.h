#pragma once

#include <QStringList>
#include <QTreeWidget>
#include <vector>

#include "nested/NodeChildren.h"

namespace corvane::gui {

// The open file and the containers inside it as one tree: each node is a
// path (FILE!MEMBER!2), its children listed once, when first shown or
// expanded. It remembers the nodes shown before, for going back.
class ContainerTree : public QTreeWidget {
    Q_OBJECT
  public:
    explicit ContainerTree(QWidget* parent = nullptr);

    // Makes the node of parts (the file, then the parts inside it) the
    // current one, with the nodes on the way; another file starts a new tree.
    void ShowNode(const QStringList& parts, const QString& rootLabel);
    // The children of the node at path, listed once.
    void SetChildren(const QString& path, const std::vector<NodeChild>& children);
    // The path of a child of the current node by its part; empty when unknown.
    QString ChildPath(const QString& part) const;
    QString CurrentPath() const;
    // The current node's parent; empty at the root.
    QString ParentPath() const;
    // The nodes above the current one whose children are not listed yet,
    // the root first.
    QStringList UnlistedAbove() const;
    // The node shown before the current one, taken from the history: the
    // next ShowNode does not remember the node it leaves. Empty when none.
    QString TakeBack();
    bool CanGoBack() const { return !history_.isEmpty(); }
    // Nodes in the tree, the root included.
    int NodeCount() const;
    void ClearTree();
    // The width that shows the names of the nodes shown whole.
    int NamesWidth() const;

  signals:
    // The user made another node current.
    void NodeChosen(const QString& path);
    // A node whose children are not listed yet was expanded.
    void ChildrenWanted(const QString& path);

  private:
    QTreeWidgetItem* FindPath(const QString& path) const;
    QTreeWidgetItem* ChildByPart(QTreeWidgetItem* parent, const QString& part) const;
    QTreeWidgetItem* AddChild(QTreeWidgetItem* parent, const QString& part, const QString& label);

    bool syncing_ = false;
    bool goingBack_ = false;
    QString current_;
    QStringList history_;
};

}  // namespace corvane::gui
