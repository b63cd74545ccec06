#pragma once
// The saved-game editor page: the party record of PARTY.BIN on eight tabbed pages, two for
// the party and six for the character picked with the tool buttons. Every edit goes into the
// model when the user leaves the cell or field; Save writes the model over the entry.

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <array>

#include "viewer/core/savegame/party.h"
#include "viewer/ui/base/entry_page.h"
#include "viewer/ui/savegame/imp_stringgrid.h"
#include "viewer/ui/savegame/inventory_page.h"

namespace brindle {

class PartyEditPage : public EntryPage {
  Q_OBJECT
 public:
  // The page set of partyedittabholder, by index.
  enum Tab : int {
    kTabPartyGeneral,
    kTabGameTime,
    kTabCharGeneral,
    kTabStats,
    kTabInventory,
    kTabSkills,
    kTabSpells,
    kTabConditions,
  };

  explicit PartyEditPage(PageContext& context, QWidget* parent = nullptr);

  void ShowEntry(ByteFile& container, const TResourceInfo& entry) override;
  bool PrepareToLeave() override;

  // 0: the party pages, 1-4: a character's; as the tool buttons and Ctrl+P, Ctrl+1-4 do.
  void PickEdit(int who);
  bool Unsaved() const { return loaded_ && !party_.SameRecord(saved_); }
  const TPartyMain& party() const { return party_; }
  InventoryPage* inventory() const { return inventory_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildToolButtons(QWidget* bar);
  void BuildPages();
  void ConnectListEdits();
  QWidget* BuildGameTimePage();
  QWidget* BuildCharGeneralPage();
  TImpStringgrid* MakeListGrid(const char* name, std::initializer_list<const char*> captions,
                               int rows);
  void ShowMessageInstead(const std::string& message);
  Status SetUpPickLists();

  void FillPartyPages();
  void FillGameTime();
  void FillCharacterPages();
  void SelectPages(bool party);
  void TabChanged();
  void Changed();
  void EndEdits();

  void GameTimeEdited();
  void ClassChanged();
  void PortraitClicked(int x, int y);
  void PlacePortraitFrame();
  void SaveClick();

  TPartyCharacter& Character();

  TPartyMain party_;
  TPartyMain saved_;  // as last loaded, to tell unsaved changes
  bool loaded_ = false;
  int entryIndex_ = -1;
  std::string entryName_;

  QStackedWidget* stack_ = nullptr;  // the editor, or the message of a record it cannot edit
  QWidget* editor_ = nullptr;
  QLabel* message_ = nullptr;
  QButtonGroup* who_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* switch_ = nullptr;
  TImpStringgrid* partystatssg_ = nullptr;
  TImpStringgrid* generalcharsg_ = nullptr;
  TImpStringgrid* charstatssg_ = nullptr;
  TImpStringgrid* charskillsg_ = nullptr;
  TImpStringgrid* charspellssg_ = nullptr;
  TImpStringgrid* conditionssg_ = nullptr;
  InventoryPage* inventory_ = nullptr;
  QLineEdit* gtDayofWeek_ = nullptr;
  QComboBox* gtMonth_ = nullptr;
  QLineEdit* gtDay_ = nullptr;
  QLineEdit* gtYear_ = nullptr;
  QLineEdit* gtHour_ = nullptr;
  QLineEdit* gtMin_ = nullptr;
  QComboBox* gtampm_ = nullptr;
  QLineEdit* gtTick_ = nullptr;
  QComboBox* charclasscb_ = nullptr;
  QLabel* charpiclist_ = nullptr;
  QFrame* charpicbevel_ = nullptr;
};

EntryPage* MakePartyEditPage(PageContext& context);

}  // namespace brindle
