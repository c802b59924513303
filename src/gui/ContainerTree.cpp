#include "ContainerTree.h"

#include <QHash>
#include <QHeaderView>

#include "nested/XmitPath.h"

namespace corvane::gui {

namespace {
constexpr int kPathRole = Qt::UserRole;
constexpr int kPartRole = Qt::UserRole + 1;
constexpr int kListedRole = Qt::UserRole + 2;
constexpr qsizetype kHistoryLimit = 100;
}  // namespace

ContainerTree::ContainerTree(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(1);
    header()->hide();
    // Names are shown whole; a narrow tree scrolls sideways.
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setToolTip("The file and the containers inside it - select one to list what it holds");
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (syncing_ || !item) return;
        const QString path = item->data(0, kPathRole).toString();
        if (path != current_) emit NodeChosen(path);
    });
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (!syncing_ && !item->data(0, kListedRole).toBool())
            emit ChildrenWanted(item->data(0, kPathRole).toString());
    });
}

QTreeWidgetItem* ContainerTree::ChildByPart(QTreeWidgetItem* parent, const QString& part) const {
    for (int k = 0; k < parent->childCount(); ++k) {
        if (parent->child(k)->data(0, kPartRole).toString() == part) return parent->child(k);
    }
    return nullptr;
}

QTreeWidgetItem* ContainerTree::AddChild(QTreeWidgetItem* parent, const QString& part,
                                         const QString& label) {
    auto* item = new QTreeWidgetItem(parent, {label});
    item->setData(0, kPathRole,
                  parent->data(0, kPathRole).toString() + QChar(kNestSeparator) + part);
    item->setData(0, kPartRole, part);
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

QTreeWidgetItem* ContainerTree::FindPath(const QString& path) const {
    QTreeWidgetItem* root = topLevelItem(0);
    if (!root) return nullptr;
    const QString rootPath = root->data(0, kPathRole).toString();
    if (path == rootPath) return root;
    if (!path.startsWith(rootPath + QChar(kNestSeparator))) return nullptr;
    QTreeWidgetItem* item = root;
    const QStringList parts = path.mid(rootPath.size() + 1).split(QChar(kNestSeparator));
    for (const QString& part : parts) {
        item = ChildByPart(item, part);
        if (!item) return nullptr;
    }
    return item;
}

void ContainerTree::ShowNode(const QStringList& parts, const QString& rootLabel) {
    if (parts.isEmpty()) return;
    syncing_ = true;
    QTreeWidgetItem* root = topLevelItem(0);
    if (!root || root->data(0, kPathRole).toString() != parts[0]) {
        clear();
        history_.clear();
        current_.clear();
        root = new QTreeWidgetItem(this, {rootLabel});
        root->setData(0, kPathRole, parts[0]);
        root->setToolTip(0, parts[0]);
    }
    QTreeWidgetItem* item = root;
    for (qsizetype k = 1; k < parts.size(); ++k) {
        QTreeWidgetItem* child = ChildByPart(item, parts[k]);
        if (!child) child = AddChild(item, parts[k], parts[k]);
        item->setExpanded(true);  // listed when it is shown, not on the way
        item = child;
    }
    const QString path = item->data(0, kPathRole).toString();
    if (!current_.isEmpty() && current_ != path && !goingBack_) {
        history_.append(current_);
        if (history_.size() > kHistoryLimit) history_.removeFirst();
    }
    goingBack_ = false;
    current_ = path;
    setCurrentItem(item);
    scrollToItem(item);
    syncing_ = false;
}

void ContainerTree::SetChildren(const QString& path, const std::vector<NodeChild>& children) {
    QTreeWidgetItem* item = FindPath(path);
    if (!item || item->data(0, kListedRole).toBool()) return;
    syncing_ = true;
    // The few children made from a path are kept, in their place in the
    // node's order: a library of many transmissions is listed in one pass.
    QHash<QString, QTreeWidgetItem*> known;
    QTreeWidgetItem* current = currentItem();
    QList<QTreeWidgetItem*> expanded;
    for (int k = 0; k < item->childCount(); ++k) {
        if (item->child(k)->isExpanded()) expanded << item->child(k);
    }
    const QList<QTreeWidgetItem*> before = item->takeChildren();
    for (QTreeWidgetItem* child : before) known.insert(child->data(0, kPartRole).toString(), child);
    for (const NodeChild& c : children) {
        const QString part = QString::fromStdString(c.Step);
        const QString label = QString::fromStdString(c.Label);
        QTreeWidgetItem* child = known.take(part);
        if (child) {
            child->setText(0, label);  // made from a path: now with its own name
            item->addChild(child);
        } else {
            child = AddChild(item, part, label);
        }
        if (c.What == Content::Unknown) {
            child->setData(0, kListedRole, true);
            child->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
        }
    }
    for (QTreeWidgetItem* child : before) {
        if (known.contains(child->data(0, kPartRole).toString())) item->addChild(child);
    }
    // Taking the children out lost the cursor and what was open below them.
    for (QTreeWidgetItem* child : expanded) child->setExpanded(true);
    if (current && currentItem() != current) setCurrentItem(current);
    item->setData(0, kListedRole, true);
    item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    if (item == currentItem()) item->setExpanded(true);  // what the node shown holds
    syncing_ = false;
}

QString ContainerTree::ChildPath(const QString& part) const {
    QTreeWidgetItem* item = FindPath(current_);
    QTreeWidgetItem* child = item ? ChildByPart(item, part) : nullptr;
    return child ? child->data(0, kPathRole).toString() : QString();
}

QString ContainerTree::CurrentPath() const {
    return current_;
}

QString ContainerTree::ParentPath() const {
    QTreeWidgetItem* item = FindPath(current_);
    return item && item->parent() ? item->parent()->data(0, kPathRole).toString() : QString();
}

QStringList ContainerTree::UnlistedAbove() const {
    QStringList paths;
    QTreeWidgetItem* item = FindPath(current_);
    for (QTreeWidgetItem* p = item ? item->parent() : nullptr; p; p = p->parent()) {
        if (!p->data(0, kListedRole).toBool()) paths.prepend(p->data(0, kPathRole).toString());
    }
    return paths;
}

QString ContainerTree::TakeBack() {
    if (history_.isEmpty()) return {};
    goingBack_ = true;
    return history_.takeLast();
}

int ContainerTree::NodeCount() const {
    int n = 0;
    for (QTreeWidgetItemIterator it(const_cast<ContainerTree*>(this)); *it; ++it) ++n;
    return n;
}

int ContainerTree::NamesWidth() const {
    return sizeHintForColumn(0) + 2 * frameWidth() + indentation();
}

void ContainerTree::ClearTree() {
    syncing_ = true;
    clear();
    history_.clear();
    current_.clear();
    goingBack_ = false;
    syncing_ = false;
}

}  // namespace corvane::gui
