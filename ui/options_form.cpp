#include "ui/options_form.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kestrune {

namespace {

QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string ToU16(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
}

template <class Widget>
Widget* Named(QWidget* parent, const char* name) {
  auto* widget = new Widget(parent);
  widget->setObjectName(name);
  return widget;
}

QTreeWidget* CheckList(QWidget* parent, const char* name, int columns) {
  auto* list = Named<QTreeWidget>(parent, name);
  list->setColumnCount(columns);
  list->setRootIsDecorated(false);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->header()->setSectionsClickable(true);
  return list;
}

QWidget* Page(QStackedWidget* pages, const char* name) {
  auto* page = Named<QWidget>(pages, name);
  pages->addWidget(page);
  return page;
}

}  // namespace

TOptionsForm::TOptionsForm(TOptionsFields fields, IOptionsHost& host, QWidget* parent)
    : QDialog(parent), interfaceLang_(fields.InterfaceLang) {
  setObjectName("OptionsForm");
  setModal(true);
  model_ = std::make_unique<TOptionsModel>(std::move(fields), host);
  model_->OnHide = [this] {
    setResult(Accepted);
    hide();
  };

  ListBox = Named<QListWidget>(this, "ListBox");
  for (int i = 0; i < opPageCount; ++i) ListBox->addItem(QString());
  ListBox->setFixedWidth(150);
  PanelCaption = Named<QLabel>(this, "PanelCaption");
  PanelCaption->setFrameShape(QFrame::StyledPanel);
  PanelCaption->setMargin(4);
  QFont bold = PanelCaption->font();
  bold.setBold(true);
  PanelCaption->setFont(bold);
  PageControl1 = Named<QStackedWidget>(this, "PageControl1");
  BuildGeneralPage();
  BuildEnginesPage();
  BuildDictionariesPage();
  BuildPersonalPage();
  BuildLanguagePage();

  TCBSetAsDefault = Named<QCheckBox>(this, "TCBSetAsDefault");
  BDefault = Named<QPushButton>(this, "BDefault");
  btOK = Named<QPushButton>(this, "btOK");
  btOK->setDefault(true);
  btCancel = Named<QPushButton>(this, "btCancel");
  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(kOptionsRescanMs);

  auto* right = new QVBoxLayout;
  right->addWidget(PanelCaption);
  right->addWidget(PageControl1, 1);
  auto* top = new QHBoxLayout;
  top->addWidget(ListBox);
  top->addLayout(right, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(TCBSetAsDefault);
  bottom->addStretch();
  bottom->addWidget(BDefault);
  bottom->addWidget(btOK);
  bottom->addWidget(btCancel);
  auto* column = new QVBoxLayout(this);
  column->addLayout(top, 1);
  column->addLayout(bottom);
  resize(620, 420);
  Connect();
}

TOptionsForm::TOptionsForm(TOptionsFields fields, std::unique_ptr<IOptionsHost> host, QWidget* parent)
    : TOptionsForm(std::move(fields), *host, parent) {
  ownedHost_ = std::move(host);
}

TOptionsForm::~TOptionsForm() = default;

void TOptionsForm::BuildGeneralPage() {
  QWidget* page = Page(PageControl1, "TabSheet1");
  LCount = Named<QLabel>(page, "LCount");
  TBCount = Named<QSlider>(page, "TBCount");
  TBCount->setOrientation(Qt::Horizontal);
  TBCount->setRange(1, 5);
  TBCount->setPageStep(1);
  TBCount->setTickPosition(QSlider::TicksBelow);
  TBCount->setValue(model_->TrackPosition);
  Lpos = Named<QLabel>(page, "Lpos");
  ChBxWithContext = Named<QCheckBox>(page, "ChBxWithContext");
  ChBxDoRefresh = Named<QCheckBox>(page, "ChBxDoRefresh");
  CBSaveReminder = Named<QCheckBox>(page, "CBSaveReminder");
  TntButton1 = Named<QPushButton>(page, "TntButton1");
  TntButton1->hide();
  TBtnClearHistory = Named<QPushButton>(page, "TBtnClearHistory");
  TCBAdvance = Named<QCheckBox>(page, "TCBAdvance");
  TCBAdvance->setEnabled(false);
  TCBAdvance->hide();
  CBMetaSearch = Named<QCheckBox>(page, "CBMetaSearch");
  CBMetaSearch->hide();
  TBAsDefault = Named<QPushButton>(page, "TBAsDefault");
  TBAsDefault->hide();

  auto* count = new QHBoxLayout;
  count->setSpacing(5);  // Lpos stands 5 pixels right of its label
  count->addWidget(LCount);
  count->addWidget(Lpos);
  count->addStretch();
  auto* column = new QVBoxLayout(page);
  column->addLayout(count);
  column->addWidget(TBCount);
  column->addSpacing(8);
  column->addWidget(ChBxWithContext);
  column->addWidget(ChBxDoRefresh);
  column->addWidget(CBSaveReminder);
  column->addWidget(TCBAdvance);
  column->addWidget(CBMetaSearch);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(TBtnClearHistory);
  buttons->addWidget(TntButton1);
  buttons->addWidget(TBAsDefault);
  buttons->addStretch();
  column->addLayout(buttons);
  column->addStretch();
}

void TOptionsForm::BuildEnginesPage() {
  QWidget* page = Page(PageControl1, "TabSheet2");
  LVSearch = CheckList(page, "LVSearch", 1);
  DownloadFromSite = Named<QPushButton>(page, "DownloadFromSite");
  auto* column = new QVBoxLayout(page);
  column->addWidget(LVSearch, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(DownloadFromSite);
  column->addLayout(buttons);
}

void TOptionsForm::BuildDictionariesPage() {
  QWidget* page = Page(PageControl1, "TabSheet3");
  lvDictionaries = CheckList(page, "lvDictionaries", 3);
  lvDictionaries->header()->setSectionsClickable(false);
  plDictionaries = Named<QLabel>(page, "plDictionaries");
  plDictionaries->setAlignment(Qt::AlignCenter);
  plDictionaries->setFrameShape(QFrame::StyledPanel);
  ChBxOnlyStopWords = Named<QCheckBox>(page, "ChBxOnlyStopWords");
  TCBAsk = Named<QCheckBox>(page, "TCBAsk");
  TCBAskDowload = Named<QCheckBox>(page, "TCBAskDowload");
  DownloadFromSiteDict = Named<QPushButton>(page, "DownloadFromSiteDict");
  // The panel takes the list's place (same bounds) when there is no
  // dictionary.
  auto* place = new QGridLayout;
  place->addWidget(lvDictionaries, 0, 0);
  place->addWidget(plDictionaries, 0, 0);
  auto* column = new QVBoxLayout(page);
  column->addLayout(place, 1);
  column->addWidget(ChBxOnlyStopWords);
  column->addWidget(TCBAsk);
  column->addWidget(TCBAskDowload);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(DownloadFromSiteDict);
  column->addLayout(buttons);
}

void TOptionsForm::BuildPersonalPage() {
  QWidget* page = Page(PageControl1, "TabSheet4");
  TLName = Named<QLabel>(page, "TLName");
  TEdName = Named<QLineEdit>(page, "TEdName");
  TLCompany = Named<QLabel>(page, "TLCompany");
  TEdCompany = Named<QLineEdit>(page, "TEdCompany");
  TLEmail = Named<QLabel>(page, "TLEmail");
  TEdEmail = Named<QLineEdit>(page, "TEdEmail");
  TLEmail->hide();
  TEdEmail->hide();
  auto* grid = new QGridLayout(page);
  grid->addWidget(TLName, 0, 0);
  grid->addWidget(TEdName, 0, 1);
  grid->addWidget(TLCompany, 1, 0);
  grid->addWidget(TEdCompany, 1, 1);
  grid->addWidget(TLEmail, 2, 0);
  grid->addWidget(TEdEmail, 2, 1);
  grid->setRowStretch(3, 1);
}

void TOptionsForm::BuildLanguagePage() {
  QWidget* page = Page(PageControl1, "TabSheet5");
  LVLang = CheckList(page, "LVLang", 2);
  LVLang->header()->setSectionsClickable(false);
  DownloadFromSiteLang = Named<QPushButton>(page, "DownloadFromSiteLang");
  auto* column = new QVBoxLayout(page);
  column->addWidget(LVLang, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(DownloadFromSiteLang);
  column->addLayout(buttons);
}

void TOptionsForm::Connect() {
  TOptionsModel& m = *model_;
  connect(ListBox, &QListWidget::currentRowChanged, this, [this, &m](int row) {
    m.ListBoxClick(row);
    ShowPage();
  });
  connect(TBCount, &QSlider::valueChanged, this, [this, &m](int position) {
    m.TBCountChange(position);
    Lpos->setNum(m.LinksCount);
  });
  connect(ChBxWithContext, &QCheckBox::clicked, this, [&m](bool checked) { m.ChBxWithContextClick(checked); });
  connect(ChBxDoRefresh, &QCheckBox::toggled, this, [&m](bool on) { m.DoRefresh = on; });
  connect(CBSaveReminder, &QCheckBox::toggled, this, [&m](bool on) { m.SaveReminder = on; });
  connect(TCBAdvance, &QCheckBox::toggled, this, [&m](bool on) { m.Advance = on; });
  connect(ChBxOnlyStopWords, &QCheckBox::toggled, this, [&m](bool on) { m.OnlyStopWords = on; });
  connect(TCBAsk, &QCheckBox::toggled, this, [&m](bool on) { m.Ask = on; });
  connect(TCBAskDowload, &QCheckBox::toggled, this, [&m](bool on) { m.AskDownload = on; });
  connect(TCBSetAsDefault, &QCheckBox::toggled, this, [&m](bool on) { m.SetAsDefault = on; });
  connect(TEdName, &QLineEdit::textEdited, this, [&m](const QString& text) { m.Name = ToU16(text); });
  connect(TEdCompany, &QLineEdit::textEdited, this, [&m](const QString& text) { m.Company = ToU16(text); });
  connect(TBtnClearHistory, &QPushButton::clicked, this, [&m] { m.TBtnClearHistoryClick(); });
  connect(DownloadFromSite, &QPushButton::clicked, this, [&m] { m.DownloadFromSiteClick(); });
  connect(DownloadFromSiteDict, &QPushButton::clicked, this, [&m] { m.DownloadFromSiteDictClick(); });
  connect(DownloadFromSiteLang, &QPushButton::clicked, this, [&m] { m.DownloadFromSiteLangClick(); });
  connect(TBAsDefault, &QPushButton::clicked, this, [&m] { m.TBAsDefaultClick(); });

  connect(LVSearch, &QTreeWidget::itemChanged, this, [this, &m](QTreeWidgetItem* item, int) {
    const int row = LVSearch->indexOfTopLevelItem(item);
    if (row >= 0 && row < static_cast<int>(m.EngineRows.size())) {
      m.EngineRows[static_cast<size_t>(row)].Checked = item->checkState(0) == Qt::Checked;
    }
  });
  connect(LVSearch->header(), &QHeaderView::sectionClicked, this, [this, &m](int) {
    m.LVSearchColumnClick();
    ShowEngineRows();
  });
  connect(lvDictionaries, &QTreeWidget::itemChanged, this, [this, &m](QTreeWidgetItem* item, int) {
    const int row = lvDictionaries->indexOfTopLevelItem(item);
    if (row >= 0 && row < static_cast<int>(m.DictionaryRows.size())) {
      m.DictionaryRows[static_cast<size_t>(row)].Checked = item->checkState(0) == Qt::Checked;
    }
    m.lvDictionariesClick();
    ChBxOnlyStopWords->setEnabled(m.OnlyStopWordsEnabled);
  });
  connect(LVLang, &QTreeWidget::itemClicked, this, [this, &m](QTreeWidgetItem* item, int) {
    const int32_t before = interfaceLang_;
    m.LVLangClick(LVLang->indexOfTopLevelItem(item));
    NoteLanguage(before);
  });

  connect(BDefault, &QPushButton::clicked, this, [this, &m] {
    m.BDefaultClick();
    ShowControls();
    ShowEngineRows();
    ShowDictionaryRows();
  });
  connect(btOK, &QPushButton::clicked, this, [this, &m] {
    if (m.btOKClick()) {
      CloseWith(Accepted);
    } else {
      ShowPage();
    }
  });
  connect(btCancel, &QPushButton::clicked, this, [this] { reject(); });
  connect(Timer1, &QTimer::timeout, this, [this, &m] {
    Timer1->stop();
    const size_t engines = m.EngineRows.size();
    const size_t dictionaries = m.DictionaryRows.size();
    if (m.Timer1Timer()) {
      if (m.EngineRows.size() != engines) ShowEngineRows();
      if (m.DictionaryRows.size() != dictionaries) ShowDictionaryRows();
    }
    if (isVisible() && m.TimerRunning) Timer1->start();
  });
}

int TOptionsForm::ShowModal(bool openAtEngines) {
  model_->OpenAtEngines = openAtEngines;
  const int result = exec();
  model_->OpenAtEngines = false;
  return result;
}

void TOptionsForm::showEvent(QShowEvent* event) {
  if (baseCaption_.isEmpty()) baseCaption_ = windowTitle();
  model_->FormShow();
  QString caption = baseCaption_;
  if (!model_->ProjectName().empty()) {
    caption += QStringLiteral(" (") + ToQString(model_->ProjectName()) + QStringLiteral(")");
  }
  setWindowTitle(caption);
  ShowControls();
  ShowEngineRows();
  ShowDictionaryRows();
  ShowLanguageRows();
  Timer1->start();
  QDialog::showEvent(event);
}

void TOptionsForm::ShowControls() {
  const TOptionsModel& m = *model_;
  const QSignalBlocker b1(TBCount), b2(ChBxWithContext), b3(ChBxDoRefresh), b4(CBSaveReminder), b5(TCBAdvance),
      b6(ChBxOnlyStopWords), b7(TCBAsk), b8(TCBAskDowload), b9(TCBSetAsDefault), b10(TEdName), b11(TEdCompany);
  TBCount->setValue(m.TrackPosition);
  Lpos->setNum(m.LinksCount);
  ChBxWithContext->setChecked(m.WithContext);
  ChBxDoRefresh->setChecked(m.DoRefresh);
  CBSaveReminder->setChecked(m.SaveReminder);
  TCBAdvance->setChecked(m.Advance);
  ChBxOnlyStopWords->setChecked(m.OnlyStopWords);
  ChBxOnlyStopWords->setEnabled(m.OnlyStopWordsEnabled);
  TCBAsk->setChecked(m.Ask);
  TCBAskDowload->setChecked(m.AskDownload);
  TCBSetAsDefault->setChecked(m.SetAsDefault);
  TCBSetAsDefault->setEnabled(m.SetAsDefaultEnabled);
  TEdName->setText(ToQString(m.Name));
  TEdCompany->setText(ToQString(m.Company));
  ShowPage();
}

void TOptionsForm::ShowPage() {
  const int page = model_->Page;
  PageControl1->setCurrentIndex(page);
  {
    const QSignalBlocker blocker(ListBox);
    ListBox->setCurrentRow(page);
  }
  if (QListWidgetItem* item = ListBox->item(page)) PanelCaption->setText(item->text());
}

void TOptionsForm::ShowEngineRows() {
  const QSignalBlocker blocker(LVSearch);
  LVSearch->clear();
  for (const TEngineRow& row : model_->EngineRows) {
    auto* item = new QTreeWidgetItem(LVSearch, {ToQString(row.Caption)});
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, row.Checked ? Qt::Checked : Qt::Unchecked);
  }
}

void TOptionsForm::ShowDictionaryRows() {
  const TOptionsModel& m = *model_;
  {
    const QSignalBlocker blocker(lvDictionaries);
    lvDictionaries->clear();
    for (const TDictionaryRow& row : m.DictionaryRows) {
      auto* item = new QTreeWidgetItem(lvDictionaries,
                                       {ToQString(row.Language), ToQString(row.WordCount), ToQString(row.Comment)});
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(0, row.Checked ? Qt::Checked : Qt::Unchecked);
      item->setData(0, Qt::UserRole, row.Entry);
      item->setData(1, Qt::UserRole, ToQString(row.Author));
      item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
  }
  const bool none = m.DictionaryRows.empty();
  plDictionaries->setVisible(none);
  lvDictionaries->setVisible(!none);
  ChBxOnlyStopWords->setEnabled(m.OnlyStopWordsEnabled);
}

void TOptionsForm::ShowLanguageRows() {
  const TOptionsModel& m = *model_;
  LVLang->clear();
  for (const TLanguageRow& row : m.LanguageRows) {
    auto* item = new QTreeWidgetItem(LVLang, {ToQString(row.Language), ToQString(row.Author)});
    item->setData(0, Qt::UserRole, row.LangID);
  }
  if (QTreeWidgetItem* item = LVLang->topLevelItem(m.SelectedLanguage)) {
    LVLang->setCurrentItem(item);
    LVLang->scrollToItem(item);
  }
}

void TOptionsForm::NoteLanguage(int32_t before) {
  if (interfaceLang_ == before) return;
  // The language was applied to the live forms, this one included.
  baseCaption_ = windowTitle();
  ShowPage();
}

void TOptionsForm::CloseWith(int result) {
  const int32_t before = interfaceLang_;
  model_->TntFormClose();
  Timer1->stop();
  if (interfaceLang_ != before) baseCaption_ = windowTitle();
  done(result);
}

void TOptionsForm::reject() {
  const int32_t before = interfaceLang_;
  model_->btCancelClick();
  if (interfaceLang_ != before) baseCaption_ = windowTitle();
  CloseWith(Rejected);
}

void TOptionsForm::closeEvent(QCloseEvent* event) {
  event->accept();
  CloseWith(Rejected);
}

}  // namespace kestrune
