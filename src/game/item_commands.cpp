// The item table's commands and the item dialog's: "@IIZ", "@IGG", "@IGN",
// "@IUU", "@IUN", "@ICL", "@IVW", "@ITM", "@ISS" and "@ISJ".
#include "engine/interpreter.hpp"
#include "engine/operands.hpp"
#include "game/form1.hpp"
#include "platform/cp932.hpp"
#include "platform/script_error.hpp"
#include "story/item_dialog.hpp"

namespace torvane {
namespace {

// A name in none of the 100 records is a scenario error, reported rather
// than ignored so that a misspelt item is found at once.
ItemRecord& NamedItem(StoryState& story, BytesView name) {
  if (ItemRecord* item = FindItem(story, name)) return *item;
  throw ScriptError(error_text::UndefinedItem(name));
}

}  // namespace

void TForm1::CmdIIZ(const Operands& /*operands*/) {
  const ScenarioText& lines = *Engine.ScenarioLines;
  Engine.CurrentLine += 1;
  std::size_t record = 0;
  for (BytesView definition; !IsTrimmedEnd(definition = lines.At(Engine.CurrentLine));) {
    // The records already written stay; the block stops at the one that
    // does not fit, with CurrentLine on it.
    if (record == StoryState::kItemCapacity) throw ScriptError(error_text::TooManyItems(StoryState::kItemCapacity));
    const ItemDefinition fields = ItemDefinitionLine(definition);
    Story.ItemTable[record++] = {Bytes(fields.name), Bytes(fields.holding), Bytes(fields.usage),
                                 Bytes(fields.description)};
    Engine.CurrentLine += 1;
  }
  Engine.CurrentLine += 1;
}

void TForm1::CmdIGG(const Operands& operands) { NamedItem(Story, operands.Name).Holding = "Get"; }

void TForm1::CmdIGN(const Operands& operands) { NamedItem(Story, operands.Name).Holding = "None"; }

void TForm1::CmdIUU(const Operands& operands) { NamedItem(Story, operands.Name).Usage = "Used"; }

void TForm1::CmdIUN(const Operands& operands) { NamedItem(Story, operands.Name).Usage = "None"; }

void TForm1::CmdICL(const Operands& /*operands*/) { Story.ItemTable.fill(ItemRecord{}); }

void TForm1::CmdIVW(const Operands& operands) {
  DrawPortrait(operands.Number);
  Bytes message = Sjis("今もっているアイテムは、\n");
  Bytes list;
  for (const Bytes& name : HeldItemNames(Story)) list += name + Sjis("　　");
  message += list.empty() ? Sjis("何も無い・・・。") : list + Sjis("\nだな。");
  Form.Label1.Caption = message;
  WaitForClick();
}

void TForm1::CmdITM(const Operands& /*operands*/) {
  TForm2 dialog(Story, Form.Left, Form.Top);
  Story.SelectedItem = {"", "None", "None", ""};
  dialog.ListBox21Items = HeldItemNames(Story);
  if (dialog.ListBox21Items.empty()) dialog.ListBox21Items.push_back(NothingHeldEntry());
  observer_.ItemDialogShown(dialog.ListBox21Items);
  host_.RunItemDialog(dialog);
  observer_.ItemChosen(Story.SelectedItem.Name);
}

void TForm1::CmdISS(const Operands& operands) {
  DrawPortrait(operands.Number);
  const ItemRecord& item = Story.SelectedItem;
  if (item.Name.empty()) Form.Label1.Caption = Sjis("やっぱり、やめた。");
  else if (item.Name == NothingHeldEntry()) Form.Label1.Caption = Sjis("何も持って無い・・・。");
  else Form.Label1.Caption = Sjis("＜  ") + item.Name + Sjis("  ＞\n") + item.Description;
  WaitForClick();
}

void TForm1::CmdISJ(const Operands& operands) {
  if (Story.SelectedItem.Name == operands.Name) CallSubroutine(Engine, operands.Second, Engine.CurrentLine + 1);
}

}  // namespace torvane
