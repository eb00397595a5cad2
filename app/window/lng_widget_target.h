// TLngWidgetTarget: the live widgets as the language-file applier sees them
// (ILngTarget, app/lng_file.h).
//
// Forms are the application's top-level widgets (as they were when the apply
// began, BeginApply), found by objectName without regard to case; a component is the first descendant object of the form with
// that objectName (direct children first, then each child's descendants, as
// QObject::findChild searches). Widgets carry the program's form and component
// names as their objectName.
//
// Property names stay as the language files write them. A writable QString
// property of the line's name (without regard to case) wins, as the skinned
// controls publish Caption and Hint; otherwise they are mapped here:
//   Caption  windowTitle of a form, title of a group box or menu, else text
//   Hint     toolTip
//   Text     text, or plainText where there is no text
//   other    the QString property of that name, without regard to case
// Only writable QString properties are set; objectName (which the program
// looks components up by) and styleSheet never are.
// Lists: Items[n] is item n of a combo box, a list widget or (column 0) the
// top-level item n of a tree widget; Columns[n] header section n; Lines[n]
// line n of a plain-text or text edit; Tabs[n] tab n. A widget of ours that
// keeps its own items implements ILngItemList, which is asked first.
// Indexes outside a list change nothing.
//
// Used on the user-interface thread only.
#pragma once

#include <QObject>
#include <QString>
#include <QWidget>

#include "app/lng_file.h"

namespace kestrune {

class ILngItemList {
 public:
  virtual ~ILngItemList() = default;
  // False when the list or the item does not exist.
  virtual bool SetLngItem(std::string_view listProperty, int32_t index, const QString& text) = 0;
};

class TLngWidgetTarget : public ILngTarget {
 public:
  // With a form given, that form is the only one found (by its objectName),
  // whether it is shown, top-level or not: a form applies its own lines while
  // it is constructed.
  explicit TLngWidgetTarget(QWidget* onlyForm = nullptr) : onlyForm_(onlyForm) {}

  void BeginApply() override;
  TObject FindForm(std::string_view name) override;
  TObject FindComponent(TObject form, std::string_view name) override;
  bool SetTextProperty(TObject object, std::string_view property, std::u16string_view text) override;
  bool SetItem(TObject object, std::string_view listProperty, int32_t index, std::u16string_view text) override;

  // The Qt property that a language-file property name sets on the object;
  // empty when there is none that may be set.
  static QByteArray MappedProperty(const QObject& object, std::string_view property);

 private:
  QWidget* onlyForm_;
  QWidgetList forms_;  // the top-level widgets when the apply started
};

}  // namespace kestrune
