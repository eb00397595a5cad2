// Helpers of the tests of the shell folder tree and the project manager: the
// file-system model fills the tree on a thread of its own, so the tests wait
// for what they expect.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <functional>
#include <ostream>

#include "ui/shell_tree_view.h"

namespace kestrune::test {

// Processes events until `done` holds or `ms` have passed; true when it holds.
inline bool WaitUntil(const std::function<bool()>& done, int ms = 5000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

// The texts of a node's children, in the tree's order.
inline QStringList ChildTexts(const TICustomShellTreeView& tree, const QModelIndex& node) {
  QStringList texts;
  for (int row = 0; row < tree.model()->rowCount(node); ++row) texts << tree.NodeText(tree.model()->index(row, 0, node));
  return texts;
}

// The node of a path below the root, by its texts ("A/b.kqp"; "" the root);
// invalid when a component is not shown. Nodes are looked up afresh: the tree
// fills on its own, and a node kept across that may point elsewhere.
inline QModelIndex NodeOf(const TICustomShellTreeView& tree, const QString& relative) {
  QModelIndex node = tree.RootNode();
  for (const QString& part : relative.split(u'/', Qt::SkipEmptyParts)) node = tree.FindChild(node, part);
  return node;
}

// Waits until the children of the node at `relative` read `expected`; the
// last texts seen.
inline QStringList WaitForChildren(TICustomShellTreeView& tree, const QString& relative, const QStringList& expected,
                                   int ms = 5000) {
  WaitUntil([&] { return ChildTexts(tree, NodeOf(tree, relative)) == expected; }, ms);
  return ChildTexts(tree, NodeOf(tree, relative));
}

}  // namespace kestrune::test

inline void PrintTo(const QStringList& list, std::ostream* out) {
  *out << "{" << list.join(", ").toStdString() << "}";
}
