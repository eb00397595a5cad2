#include "app/window/lng_widget_target.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <QMenu>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTreeWidget>

namespace kestrune {

namespace {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

bool SameName(const QString& objectName, const QString& wanted) {
  return objectName.compare(wanted, Qt::CaseInsensitive) == 0;
}

QObject* FindDescendant(const QObject& parent, const QString& name) {
  const QObjectList& children = parent.children();
  for (QObject* child : children) {
    if (SameName(child->objectName(), name)) return child;
  }
  for (QObject* child : children) {
    if (QObject* found = FindDescendant(*child, name)) return found;
  }
  return nullptr;
}

// The writable QString property whose name equals `name` without regard to
// case; an invalid property when there is none or it must not be set.
QMetaProperty FindStringProperty(const QObject& object, const QByteArray& name) {
  const QMetaObject* meta = object.metaObject();
  int index = meta->indexOfProperty(name.constData());
  for (int i = 0; index < 0 && i < meta->propertyCount(); ++i) {
    if (qstricmp(meta->property(i).name(), name.constData()) == 0) index = i;
  }
  if (index < 0) return {};
  const QMetaProperty property = meta->property(index);
  if (qstricmp(property.name(), "objectName") == 0 || qstricmp(property.name(), "styleSheet") == 0) return {};
  if (property.metaType().id() != QMetaType::QString || !property.isWritable()) return {};
  return property;
}

bool HasStringProperty(const QObject& object, const char* name) {
  return FindStringProperty(object, QByteArray(name)).isValid();
}

bool SetListItem(QObject* object, int32_t index, const QString& text) {
  if (auto* combo = qobject_cast<QComboBox*>(object)) {
    if (index >= combo->count()) return false;
    combo->setItemText(index, text);
    return true;
  }
  if (auto* list = qobject_cast<QListWidget*>(object)) {
    if (index >= list->count()) return false;
    list->item(index)->setText(text);
    return true;
  }
  if (auto* tree = qobject_cast<QTreeWidget*>(object)) {
    if (index >= tree->topLevelItemCount()) return false;
    tree->topLevelItem(index)->setText(0, text);
    return true;
  }
  return false;
}

bool SetColumn(QObject* object, int32_t index, const QString& text) {
  if (auto* tree = qobject_cast<QTreeWidget*>(object)) {
    if (index >= tree->columnCount()) return false;
    tree->headerItem()->setText(index, text);
    return true;
  }
  if (auto* table = qobject_cast<QTableWidget*>(object)) {
    if (index >= table->columnCount()) return false;
    if (QTableWidgetItem* item = table->horizontalHeaderItem(index)) {
      item->setText(text);
    } else {
      table->setHorizontalHeaderItem(index, new QTableWidgetItem(text));
    }
    return true;
  }
  if (auto* view = qobject_cast<QAbstractItemView*>(object)) {
    QAbstractItemModel* model = view->model();
    if (!model || index >= model->columnCount()) return false;
    return model->setHeaderData(index, Qt::Horizontal, text);
  }
  return false;
}

bool SetLine(QObject* object, int32_t index, const QString& text) {
  QTextDocument* document = nullptr;
  if (auto* plain = qobject_cast<QPlainTextEdit*>(object)) {
    document = plain->document();
  } else if (auto* rich = qobject_cast<QTextEdit*>(object)) {
    document = rich->document();
  }
  if (!document) return false;
  const QTextBlock block = document->findBlockByNumber(index);
  if (!block.isValid()) return false;
  QTextCursor cursor(block);
  cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  cursor.insertText(text);
  return true;
}

bool SetTab(QObject* object, int32_t index, const QString& text) {
  if (auto* tabs = qobject_cast<QTabWidget*>(object)) {
    if (index >= tabs->count()) return false;
    tabs->setTabText(index, text);
    return true;
  }
  if (auto* bar = qobject_cast<QTabBar*>(object)) {
    if (index >= bar->count()) return false;
    bar->setTabText(index, text);
    return true;
  }
  return false;
}

}  // namespace

QByteArray TLngWidgetTarget::MappedProperty(const QObject& object, std::string_view property) {
  const QByteArray name(property.data(), static_cast<qsizetype>(property.size()));
  // A control that publishes the line's own property (a skinned button's
  // Caption, a skinned control's Hint) takes it as it is.
  if (const QMetaProperty own = FindStringProperty(object, name); own.isValid()) return QByteArray(own.name());
  QByteArray mapped = name;
  if (qstricmp(name.constData(), "Caption") == 0) {
    const auto* widget = qobject_cast<const QWidget*>(&object);
    if (widget && widget->isWindow() && !qobject_cast<const QMenu*>(&object)) {
      mapped = "windowTitle";
    } else if (qobject_cast<const QGroupBox*>(&object) || qobject_cast<const QMenu*>(&object)) {
      mapped = "title";
    } else {
      mapped = "text";
    }
  } else if (qstricmp(name.constData(), "Hint") == 0) {
    mapped = "toolTip";
  } else if (qstricmp(name.constData(), "Text") == 0) {
    mapped = HasStringProperty(object, "text") ? "text" : "plainText";
  }
  const QMetaProperty found = FindStringProperty(object, mapped);
  return found.isValid() ? QByteArray(found.name()) : QByteArray();
}

void TLngWidgetTarget::BeginApply() {
  if (!onlyForm_) forms_ = QApplication::topLevelWidgets();
}

ILngTarget::TObject TLngWidgetTarget::FindForm(std::string_view name) {
  const QString wanted = ToQString(name);
  // An unnamed window (a pop-up, a tool tip) is no form of the program.
  if (wanted.isEmpty()) return nullptr;
  if (onlyForm_) return SameName(onlyForm_->objectName(), wanted) ? onlyForm_ : nullptr;
  for (QWidget* form : forms_) {
    if (SameName(form->objectName(), wanted)) return form;
  }
  return nullptr;
}

ILngTarget::TObject TLngWidgetTarget::FindComponent(TObject form, std::string_view name) {
  const QString wanted = ToQString(name);
  if (wanted.isEmpty()) return nullptr;
  return FindDescendant(*static_cast<QObject*>(form), wanted);
}

bool TLngWidgetTarget::SetTextProperty(TObject object, std::string_view property, std::u16string_view text) {
  auto* target = static_cast<QObject*>(object);
  const QByteArray mapped = MappedProperty(*target, property);
  if (mapped.isEmpty()) return false;
  return target->setProperty(mapped.constData(), ToQString(text));
}

bool TLngWidgetTarget::SetItem(TObject object, std::string_view listProperty, int32_t index,
                               std::u16string_view text) {
  auto* target = static_cast<QObject*>(object);
  const QString value = ToQString(text);
  if (auto* own = dynamic_cast<ILngItemList*>(target)) return own->SetLngItem(listProperty, index, value);
  if (index < 0) return false;
  if (listProperty == "Items") return SetListItem(target, index, value);
  if (listProperty == "Columns") return SetColumn(target, index, value);
  if (listProperty == "Lines") return SetLine(target, index, value);
  if (listProperty == "Tabs") return SetTab(target, index, value);
  return false;
}

}  // namespace kestrune
