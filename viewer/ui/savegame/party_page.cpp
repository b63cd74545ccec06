#include "viewer/ui/savegame/party_page.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "common/codepage.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/savegame/game_clock.h"
#include "viewer/core/savegame/party_edits.h"
#include "viewer/core/savegame/party_fields.h"
#include "viewer/core/savegame/party_store.h"
#include "viewer/ui/base/game_text.h"
#include "viewer/ui/savegame/portrait_sheet.h"

namespace brindle {

namespace {

// A name list of the table (rows 1 to the count in row 0); the count must be a number.
Result<QStringList> NameList(const PartyDataTable& table, int col) {
  std::optional<std::int32_t> count = table.IntCell(col, 0);
  if (!count)
    return Fail("The party record cannot be shown: the game data table's column " +
                std::to_string(col) + ", row 0 holds \"" + Cp1252ToUtf8(table.Cell(col, 0)) +
                "\", which is not a whole number.");
  QStringList names;
  for (int r = 1; r <= std::min(*count, table.RowCount()); ++r)
    names << ShownText(table.Cell(col, r));
  return names;
}

QLineEdit* Field(const char* name, QWidget* parent, int width) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setFixedWidth(width);
  return e;
}

QComboBox* Combo(const char* name, QWidget* parent, const QStringList& items, int width) {
  auto* c = new QComboBox(parent);
  c->setObjectName(name);
  c->setEditable(true);
  c->setInsertPolicy(QComboBox::NoInsert);
  c->addItems(items);
  c->setFixedWidth(width);
  return c;
}

}  // namespace

PartyEditPage::PartyEditPage(PageContext& context, QWidget* parent)
    : EntryPage(context, "partyedittab", parent) {
  stack_ = new QStackedWidget(this);
  editor_ = new QWidget(stack_);
  message_ = new QLabel(stack_);
  message_->setObjectName("partyeditmessage");
  message_->setWordWrap(true);
  message_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  message_->setMargin(8);
  stack_->addWidget(editor_);
  stack_->addWidget(message_);
  SetContent(stack_);

  auto* layout = new QVBoxLayout(editor_);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* bar = new QWidget(editor_);
  BuildToolButtons(bar);
  layout->addWidget(bar);
  tabs_ = new QTabWidget(editor_);
  tabs_->setObjectName("partyedittabholder");
  layout->addWidget(tabs_);

  switch_ = AddButton("charinvswitch", "Edit Equipped Inventory");
  switch_->resize(std::max(170, switch_->sizeHint().width()), 25);
  switch_->hide();
  save_ = AddButton("partyeditsave", "Save");
  connect(save_, &QPushButton::clicked, this, &PartyEditPage::SaveClick);
  BuildPages();
  connect(tabs_, &QTabWidget::currentChanged, this, &PartyEditPage::TabChanged);
  connect(switch_, &QPushButton::clicked, this, [this] { inventory_->SwitchView(); });

  // Ctrl+P and Ctrl+1-4 work while this page is in front, wherever the focus is.
  const char* keys[] = {"Ctrl+P", "Ctrl+1", "Ctrl+2", "Ctrl+3", "Ctrl+4"};
  for (int who = 0; who <= kCharacterCount; ++who) {
    auto* key = new QShortcut(QKeySequence(keys[who]), this);
    key->setContext(Qt::WindowShortcut);
    connect(key, &QShortcut::activated, this, [this, who] {
      if (isVisible() && loaded_) PickEdit(who);
    });
  }
}

void PartyEditPage::BuildToolButtons(QWidget* bar) {
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  who_ = new QButtonGroup(this);
  who_->setExclusive(true);
  const char* names[] = {"tbparty", "tbp1", "tbp2", "tbp3", "tbp4"};
  const char* texts[] = {"Party", "1", "2", "3", "4"};
  const char* hints[] = {"Edit party (control-P)", "Edit first character (control-1)",
                         "Edit second character (control-2)", "Edit third character (control-3)",
                         "Edit fourth character (control-4)"};
  for (int tag = 0; tag <= kCharacterCount; ++tag) {
    auto* b = new QToolButton(bar);
    b->setObjectName(names[tag]);
    b->setText(texts[tag]);
    b->setToolTip(hints[tag]);
    b->setCheckable(true);
    b->setMinimumWidth(tag == 0 ? 48 : 28);
    who_->addButton(b, tag);
    row->addWidget(b);
  }
  who_->button(0)->setChecked(true);
  row->addStretch();
  connect(who_, &QButtonGroup::idClicked, this, &PartyEditPage::PickEdit);
}

TImpStringgrid* PartyEditPage::MakeListGrid(const char* name,
                                            std::initializer_list<const char*> captions, int rows) {
  auto* g = new TImpStringgrid(tabs_);
  g->setObjectName(name);
  g->SetColCount(static_cast<int>(captions.size()));
  g->SetRowCount(rows);
  g->SetFixedRows(1);
  g->SetFixedCols(1);
  int c = 0;
  for (const char* caption : captions) {
    g->Column(c).SetTitle(caption);
    g->Column(c).SetWidth(c == 0 ? 170 : 130);
    ++c;
  }
  return g;
}

void PartyEditPage::BuildPages() {
  partystatssg_ = MakeListGrid("partystatssg", {"Name", "Value"}, 4);
  generalcharsg_ = MakeListGrid("generalcharsg", {"Name", "Amount"}, 9);
  charstatssg_ = MakeListGrid("charstatssg", {"Name", "Value Added to Perm", "Permanent Value"}, 9);
  charskillsg_ = MakeListGrid("charskillsg", {"Skills", "Normal/Expert/Master/GM", "Level"}, 38);
  charskillsg_->Column(1).SetWidth(170);
  charskillsg_->Column(1).ButtonStyle = cbsPicklist;
  charspellssg_ = MakeListGrid("charspellssg", {"Spell Name", "Activated"}, 100);
  conditionssg_ = MakeListGrid(
      "conditionssg",
      {"Condition", "Days Active", "Hours Active", "Minutes Active", "Ticks Active"}, 21);
  for (int c = 1; c <= 4; ++c)
    conditionssg_->Column(c).SetWidth(100);

  inventory_ = new InventoryPage(
      party_, context_.GameTable(), context_.prompts(), switch_, [this] { Changed(); }, tabs_);
  inventory_->setObjectName("charinvpage");

  auto* charGeneral = BuildCharGeneralPage();
  tabs_->addTab(partystatssg_, "General");
  tabs_->addTab(BuildGameTimePage(), "Game Time");
  tabs_->addTab(charGeneral, "General");
  tabs_->addTab(charstatssg_, "Stats");
  tabs_->addTab(inventory_, "Inventory");
  tabs_->addTab(charskillsg_, "Skills");
  tabs_->addTab(charspellssg_, "Spells");
  tabs_->addTab(conditionssg_, "Conditions");
  ConnectListEdits();
}

// A cell of a list page edited: the model takes it by the page's rule, and the cells show
// what was taken.
void PartyEditPage::ConnectListEdits() {
  auto onRow = [this](TImpStringgrid* g, auto handler) {
    connect(g, &TImpStringgrid::CellLoseFocus, this, [this, g, handler](int, int row) {
      if (!loaded_ || row < 1 || row >= g->RowCount()) return;
      handler(g, row);
      Changed();
    });
  };
  onRow(partystatssg_, [this](TImpStringgrid* g, int row) {
    if (row <= kPartyValueCount)
      party_.PartyValues[static_cast<std::size_t>(row - 1)] = GameText(g->Cells(1, row));
  });
  onRow(generalcharsg_, [this](TImpStringgrid* g, int row) {
    if (party_.CurrentCharacter < 1 || row > kCharValueCount) return;
    std::string v = GameText(g->Cells(1, row));
    if (v.size() > kMaxCharValueLength) v.resize(kMaxCharValueLength);
    Character().Values[static_cast<std::size_t>(row - 1)] = v;
  });
  onRow(charstatssg_, [this](TImpStringgrid* g, int row) {
    if (party_.CurrentCharacter < 1 || row > kStatCount) return;
    Character().Stats[static_cast<std::size_t>(row - 1)] = {
        EditStatistic(g->Cells(1, row).toStdString()),
        EditStatistic(g->Cells(2, row).toStdString())};
  });
  onRow(charskillsg_, [this](TImpStringgrid* g, int row) {
    if (party_.CurrentCharacter < 1 || row > kSkillCount) return;
    const SkillEdit e = EditSkill(g->Cells(1, row).toStdString(), g->Cells(2, row).toStdString());
    Character().Skills[static_cast<std::size_t>(row - 1)] = e.word;
    g->SetCell(1, row, ShownText(e.mastery));
    g->SetCell(2, row, ShownText(e.level));
  });
  onRow(charspellssg_, [this](TImpStringgrid* g, int row) {
    if (party_.CurrentCharacter < 1 || row > kSpellCount) return;
    Character().Spells[static_cast<std::size_t>(row - 1)] =
        EditSpell(g->Cells(1, row).toStdString());
  });
  onRow(conditionssg_, [this](TImpStringgrid* g, int row) {
    if (party_.CurrentCharacter < 1 || row > kConditionCount) return;
    std::array<std::string, 4> typed;
    for (int c = 0; c < 4; ++c)
      typed[static_cast<std::size_t>(c)] = g->Cells(c + 1, row).toStdString();
    const ConditionEdit e = EditCondition(typed, party_.GameClock);
    Character().SetConditionStamp(row, e.stamp);
    for (int c = 0; c < 4; ++c)
      g->SetCell(c + 1, row, ShownText(e.cells[static_cast<std::size_t>(c)]));
  });
}

QWidget* PartyEditPage::BuildGameTimePage() {
  auto* page = new QWidget(tabs_);
  auto* grid = new QGridLayout(page);
  QStringList months;
  for (std::string_view m : kMonthNames)
    months << ShownText(m);
  gtDayofWeek_ = Field("gtDayofWeek", page, 110);
  gtDayofWeek_->setReadOnly(true);
  gtMonth_ = Combo("gtMonth", page, months, 110);
  gtDay_ = Field("gtDay", page, 50);
  gtYear_ = Field("gtYear", page, 60);
  gtHour_ = Field("gtHour", page, 40);
  gtMin_ = Field("gtMin", page, 40);
  gtampm_ = Combo("gtampm", page, {"am", "pm"}, 60);
  gtTick_ = Field("gtTick", page, 50);
  auto label = [page](const char* text) { return new QLabel(text, page); };
  grid->addWidget(label("Day of Week:"), 0, 0);
  grid->addWidget(gtDayofWeek_, 0, 1, 1, 4);
  grid->addWidget(label("Month:"), 1, 0);
  grid->addWidget(gtMonth_, 1, 1, 1, 4);
  grid->addWidget(label("Day:"), 2, 0);
  grid->addWidget(gtDay_, 2, 1, 1, 4);
  grid->addWidget(label("Year:"), 3, 0);
  grid->addWidget(gtYear_, 3, 1, 1, 4);
  grid->addWidget(label("Time:"), 4, 0);
  auto* time = new QHBoxLayout;
  time->addWidget(gtHour_);
  time->addWidget(label(":"));
  time->addWidget(gtMin_);
  time->addWidget(gtampm_);
  time->addWidget(gtTick_);
  time->addWidget(label("ticks"));
  time->addStretch();
  grid->addLayout(time, 4, 1, 1, 4);
  grid->setColumnStretch(5, 1);
  grid->setRowStretch(5, 1);

  // Leaving any field but am/pm computes the clock again from all of them.
  for (QWidget* w : std::initializer_list<QWidget*>{gtDayofWeek_, gtDay_, gtYear_, gtHour_, gtMin_,
                                                    gtTick_, gtMonth_, gtMonth_->lineEdit()})
    w->installEventFilter(this);
  for (QLineEdit* e : {gtDayofWeek_, gtDay_, gtYear_, gtHour_, gtMin_, gtTick_})
    connect(e, &QLineEdit::returnPressed, this, &PartyEditPage::GameTimeEdited);
  connect(gtMonth_, &QComboBox::activated, this, &PartyEditPage::GameTimeEdited);
  return page;
}

QWidget* PartyEditPage::BuildCharGeneralPage() {
  auto* page = new QWidget(tabs_);
  auto* layout = new QVBoxLayout(page);
  auto* picPanel = new QWidget(page);
  picPanel->setObjectName("charpicpanel");
  picPanel->setFixedSize(kPortraitsPerRow * kPortraitWidth + 2, 2 * kPortraitHeight + 2);
  charpiclist_ = new QLabel(picPanel);
  charpiclist_->setObjectName("charpiclist");
  charpiclist_->setPixmap(PortraitSheet());
  charpiclist_->setGeometry(1, 1, kPortraitsPerRow * kPortraitWidth, 2 * kPortraitHeight);
  charpiclist_->installEventFilter(this);
  charpicbevel_ = new QFrame(picPanel);
  charpicbevel_->setObjectName("charpicbevel");
  charpicbevel_->setFrameStyle(QFrame::Box | QFrame::Plain);
  charpicbevel_->setLineWidth(2);
  QPalette pal = charpicbevel_->palette();
  pal.setColor(QPalette::WindowText, QColor(255, 220, 0));
  charpicbevel_->setPalette(pal);
  charpicbevel_->setAttribute(Qt::WA_TransparentForMouseEvents);
  charpicbevel_->resize(kPortraitWidth, kPortraitHeight);
  charpicbevel_->raise();

  QStringList classes;
  for (std::string_view c : kClassNames)
    classes << ShownText(c);
  charclasscb_ = Combo("charclasscb", page, classes, 160);
  connect(charclasscb_, &QComboBox::activated, this, &PartyEditPage::ClassChanged);
  connect(charclasscb_->lineEdit(), &QLineEdit::editingFinished, this,
          &PartyEditPage::ClassChanged);

  // The class goes under the portraits: beside them it would need more width than the
  // window's default gives the page, and the toolkit would draw the two over each other.
  layout->addWidget(picPanel);
  auto* cls = new QHBoxLayout;
  cls->addWidget(new QLabel("Class:", page));
  cls->addWidget(charclasscb_);
  cls->addStretch();
  layout->addLayout(cls);
  generalcharsg_->setParent(page);
  layout->addWidget(generalcharsg_, 1);
  return page;
}

bool PartyEditPage::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut && watched != charpiclist_) {
    // A focus move inside the month box (to its own line edit) is not leaving it.
    QWidget* now = QApplication::focusWidget();
    if (!(watched == gtMonth_ || watched == gtMonth_->lineEdit()) ||
        (now != gtMonth_ && now != gtMonth_->lineEdit()))
      GameTimeEdited();
  }
  if (watched == charpiclist_ && event->type() == QEvent::MouseButtonPress) {
    const auto* m = static_cast<QMouseEvent*>(event);
    PortraitClicked(m->position().toPoint().x(), m->position().toPoint().y());
    return true;
  }
  return EntryPage::eventFilter(watched, event);
}

TPartyCharacter& PartyEditPage::Character() {
  return party_.Character(std::clamp(party_.CurrentCharacter, 1, kCharacterCount));
}

// ---- Loading ----

void PartyEditPage::ShowMessageInstead(const std::string& message) {
  loaded_ = false;
  message_->setText(QString::fromStdString(message));
  stack_->setCurrentWidget(message_);
  save_->setEnabled(false);
  switch_->hide();
  context_.SetUnsavedMark(false);
}

Status PartyEditPage::SetUpPickLists() {
  const PartyDataTable& table = context_.GameTable();
  Result<QStringList> items = NameList(table, kColItemNames);
  if (!items) return items.error();
  Result<QStringList> mods = NameList(table, kColEnchantments);
  if (!mods) return mods.error();
  Result<QStringList> mods2 = NameList(table, kColSecondEnchantments);
  if (!mods2) return mods2.error();
  Result<QStringList> statuses = NameList(table, kColItemStatuses);
  if (!statuses) return statuses.error();
  inventory_->SetUpPickLists(*items, *mods, *mods2, *statuses);
  charskillsg_->Column(1).PickList = {"Expert", "Master", "Grand Master"};
  return Ok();
}

void PartyEditPage::ShowEntry(ByteFile& container, const TResourceInfo& entry) {
  const Result<Bytes> stored = ReadStoredEntry(container, entry);
  Result<TPartyMain> party =
      stored ? LoadPartyBytes(*stored, entry.Name, context_.GameTable()) : stored.error();
  Status lists = party ? SetUpPickLists() : Status(party.error());
  context_.ShowPage(this);
  if (!lists) {
    ShowMessageInstead(lists.message());
    return;
  }
  const auto& entries = context_.DataFile().Entries;
  entryIndex_ = static_cast<int>(&entry - entries.data());
  entryName_ = entry.Name;
  party_ = *party;
  saved_ = party_;
  loaded_ = true;
  stack_->setCurrentWidget(editor_);
  save_->setEnabled(true);
  inventory_->ReadSettings(context_.paths().iniPath);
  PickEdit(0);
  context_.SetUnsavedMark(false);
}

bool PartyEditPage::PrepareToLeave() {
  if (!loaded_) return true;
  EndEdits();
  if (Unsaved()) {
    if (!context_.prompts().AskYesNo("The party in " + Cp1252ToUtf8(entryName_) +
                                     " has changes that are not saved.  Discard them?"))
      return false;
    party_ = saved_;
    context_.SetUnsavedMark(false);
  }
  inventory_->WriteSettings(context_.paths().iniPath);
  return true;
}

// ---- Party or character ----

void PartyEditPage::PickEdit(int who) {
  if (!loaded_) return;
  EndEdits();
  party_.CurrentCharacter = std::clamp(who, 0, kCharacterCount);
  who_->button(party_.CurrentCharacter)->setChecked(true);
  if (party_.CurrentCharacter == 0) {
    FillPartyPages();
  } else {
    FillCharacterPages();
  }
}

void PartyEditPage::SelectPages(bool party) {
  // The active page is taken before any page is hidden: hiding the active page moves the
  // toolkit's selection by itself.
  const int active = tabs_->currentIndex();
  auto shown = [party](int i) { return party ? i < kTabCharGeneral : i >= kTabCharGeneral; };
  for (int i = 0; i < tabs_->count(); ++i)
    if (shown(i)) tabs_->setTabVisible(i, true);
  for (int i = 0; i < tabs_->count(); ++i)
    if (!shown(i)) tabs_->setTabVisible(i, false);
  if (party && active >= kTabCharGeneral) tabs_->setCurrentIndex(kTabPartyGeneral);
  if (!party && active < kTabCharGeneral) tabs_->setCurrentIndex(kTabCharGeneral);
  if (party == (active < kTabCharGeneral)) tabs_->setCurrentIndex(active);
  TabChanged();
}

void PartyEditPage::TabChanged() {
  switch_->setVisible(loaded_ && tabs_->currentIndex() == kTabInventory);
  resizeEvent(nullptr);
}

void PartyEditPage::FillPartyPages() {
  SelectPages(true);
  const PartyDataTable& table = context_.GameTable();
  partystatssg_->SetRowCount(kPartyValueCount + 1);
  for (int k = 1; k <= kPartyValueCount; ++k) {
    partystatssg_->SetCell(0, k, ShownText(PartyFieldCaption(table, PartyFieldId::kPartyValue, k)));
    partystatssg_->SetCell(1, k, ShownText(party_.PartyValues[static_cast<std::size_t>(k - 1)]));
  }
  FillGameTime();
}

void PartyEditPage::FillGameTime() {
  const GameTimeFields f = ShowGameTime(party_.GameClock);
  gtDayofWeek_->setText(ShownText(f.weekday));
  gtMonth_->setCurrentText(ShownText(f.month));
  gtDay_->setText(ShownText(f.day));
  gtYear_->setText(ShownText(f.year));
  gtHour_->setText(ShownText(f.hour));
  gtMin_->setText(ShownText(f.minute));
  gtampm_->setCurrentText(ShownText(f.ampm));
  gtTick_->setText(ShownText(f.tick));
}

void PartyEditPage::FillCharacterPages() {
  FillingPagesHold filling(party_);
  SelectPages(false);
  const PartyDataTable& table = context_.GameTable();
  const TPartyCharacter& ch = Character();
  PlacePortraitFrame();
  charclasscb_->setCurrentText(ShownText(ClassName(ch.Class)));

  generalcharsg_->SetRowCount(kCharValueCount + 1);
  for (int k = 1; k <= kCharValueCount; ++k) {
    generalcharsg_->SetCell(0, k, ShownText(PartyFieldCaption(table, PartyFieldId::kCharValue, k)));
    generalcharsg_->SetCell(1, k, ShownText(ch.Values[static_cast<std::size_t>(k - 1)]));
  }
  charstatssg_->SetRowCount(kStatCount + 1);
  for (int k = 1; k <= kStatCount; ++k) {
    const auto& s = ch.Stats[static_cast<std::size_t>(k - 1)];
    charstatssg_->SetCell(0, k, ShownText(PartyFieldCaption(table, PartyFieldId::kStat, k)));
    charstatssg_->SetCell(1, k, QString::number(s[0]));
    charstatssg_->SetCell(2, k, QString::number(s[1]));
  }
  charskillsg_->SetRowCount(kSkillCount + 1);
  for (int k = 1; k <= kSkillCount; ++k) {
    const std::uint16_t w = ch.Skills[static_cast<std::size_t>(k - 1)];
    charskillsg_->SetCell(0, k, ShownText(PartyFieldCaption(table, PartyFieldId::kSkill, k)));
    charskillsg_->SetCell(1, k, ShownText(MasteryText(w)));
    charskillsg_->SetCell(2, k, QString::number(w & kSkillLevelMask));
  }
  charspellssg_->SetRowCount(kSpellCount + 1);
  for (int k = 1; k <= kSpellCount; ++k) {
    charspellssg_->SetCell(0, k, ShownText(PartyFieldCaption(table, PartyFieldId::kSpell, k)));
    charspellssg_->SetCell(1, k, QString::number(ch.Spells[static_cast<std::size_t>(k - 1)]));
  }
  inventory_->Fill();
  conditionssg_->SetRowCount(kConditionCount + 1);
  for (int k = 1; k <= kConditionCount; ++k) {
    conditionssg_->SetCell(0, k, ShownText(PartyFieldCaption(table, PartyFieldId::kCondition, k)));
    const auto cells = ShowCondition(ch.ConditionStamp(k), party_.GameClock);
    for (int c = 0; c < 4; ++c)
      conditionssg_->SetCell(c + 1, k, ShownText(cells[static_cast<std::size_t>(c)]));
  }
}

// ---- Edits ----

void PartyEditPage::Changed() {
  context_.SetUnsavedMark(Unsaved());
}

void PartyEditPage::EndEdits() {
  for (TImpStringgrid* g :
       {partystatssg_, generalcharsg_, charstatssg_, charskillsg_, charspellssg_, conditionssg_})
    g->EndEdit();
  inventory_->EndEdits();
}

void PartyEditPage::GameTimeEdited() {
  if (!loaded_ || party_.CurrentCharacter != 0) return;
  GameTimeFields typed;
  typed.month = GameText(gtMonth_->currentText());
  typed.day = gtDay_->text().toStdString();
  typed.year = gtYear_->text().toStdString();
  typed.hour = gtHour_->text().toStdString();
  typed.minute = gtMin_->text().toStdString();
  typed.ampm = gtampm_->currentText().toStdString();
  typed.tick = gtTick_->text().toStdString();
  party_.GameClock = EditGameTime(typed);
  FillGameTime();
  Changed();
}

void PartyEditPage::ClassChanged() {
  if (!loaded_ || party_.FillingPages || party_.CurrentCharacter < 1) return;
  Character().Class = EditClass(GameText(charclasscb_->currentText()));
  charclasscb_->setCurrentText(ShownText(ClassName(Character().Class)));
  Changed();
}

void PartyEditPage::PortraitClicked(int x, int y) {
  if (!loaded_ || party_.CurrentCharacter < 1) return;
  Character().Portrait = static_cast<std::int16_t>(PortraitAt(x, y));
  PlacePortraitFrame();
  Changed();
}

void PartyEditPage::PlacePortraitFrame() {
  const FramePosition f = PortraitFrame(Character().Portrait);
  charpicbevel_->move(f.left, f.top);
}

void PartyEditPage::SaveClick() {
  if (!loaded_) return;
  EndEdits();
  auto& entries = context_.DataFile().Entries;
  if (entryIndex_ < 0 || static_cast<std::size_t>(entryIndex_) >= entries.size() ||
      entries[static_cast<std::size_t>(entryIndex_)].Name != entryName_) {
    context_.prompts().Message("The entry " + Cp1252ToUtf8(entryName_) +
                               " is no longer in the container.  Nothing was saved.");
    return;
  }
  // The write shows the entry again from the file; what it shows is what is saved.
  const TPartyMain loaded = saved_;
  saved_ = party_;
  const Result<PartySaved> s = SavePartyEntry(context_.DataFile(), entryIndex_, loaded, party_,
                                              context_.GameTable(), context_.host());
  const std::string name = Cp1252ToUtf8(entryName_);
  if (!s) {
    saved_ = loaded;
    Changed();
    context_.SetPointerText(name + " was not saved");
    context_.prompts().Message(s.message());
    return;
  }
  context_.SetUnsavedMark(false);
  switch (*s) {
    case PartySaved::kNothing:
      context_.SetPointerText("Nothing to save: " + name + " has no changes");
      return;
    case PartySaved::kSaved:
      context_.SetPointerText("Saved " + name);
      return;
    case PartySaved::kMerged:
      // Another program changed the container too: the list and the party show it all.
      context_.ReloadContainer();
      context_.SetPointerText("Saved " + name + " with another program's changes kept");
      return;
  }
}

EntryPage* MakePartyEditPage(PageContext& context) {
  return new PartyEditPage(context);
}

}  // namespace brindle
