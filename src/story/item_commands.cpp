// The item table's commands and the item dialog's: "@IIZ", "@IGG", "@IGN",
// "@IUU", "@IUN", "@ICL", "@IVW", "@ITM", "@ISS" and "@ISJ".
#include "engine/operands.hpp"
#include "platform/script_error.hpp"
#include "platform/cp932.hpp"
#include "story/item_dialog.hpp"
#include "ui/form1.hpp"

namespace torvane {
namespace {

// A name in none of the 100 records is a scenario error, reported rather
// than ignored so that a misspelt item is found at once.
ItemRecord& NamedItem(StoryState& story, BytesView line) {
  const BytesView name = NameOperand(line);
  if (ItemRecord* item = FindItem(story, name)) return *item;
  throw ScriptError(error_text::UndefinedItem(name));
}

}  // namespace

void TForm1::CmdIIZ(BytesView /*line*/) {
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

void TForm1::CmdIGG(BytesView line) {
  NamedItem(Story, line).Holding = "Get";
  Engine.CurrentLine += 1;
}

void TForm1::CmdIGN(BytesView line) {
  NamedItem(Story, line).Holding = "None";
  Engine.CurrentLine += 1;
}

void TForm1::CmdIUU(BytesView line) {
  NamedItem(Story, line).Usage = "Used";
  Engine.CurrentLine += 1;
}

void TForm1::CmdIUN(BytesView line) {
  NamedItem(Story, line).Usage = "None";
  Engine.CurrentLine += 1;
}

void TForm1::CmdICL(BytesView /*line*/) {
  Story.ItemTable.fill(ItemRecord{});
  Engine.CurrentLine += 1;
}

void TForm1::CmdIVW(BytesView line) {
  DrawPortrait(NumberOperand(line));
  Bytes message = Sjis("今もっているアイテムは、\n");
  Bytes list;
  for (const Bytes& name : HeldItemNames(Story)) list += name + Sjis("　　");
  message += list.empty() ? Sjis("何も無い・・・。") : list + Sjis("\nだな。");
  Form.Label1.Caption = message;
  WaitForClick();
  Engine.CurrentLine += 1;
}

void TForm1::CmdITM(BytesView /*line*/) {
  TForm2 dialog(Story, Form.Left, Form.Top);
  Story.SelectedItem = {"", "None", "None", ""};
  dialog.ListBox21Items = HeldItemNames(Story);
  if (dialog.ListBox21Items.empty()) dialog.ListBox21Items.push_back(NothingHeldEntry());
  host_.RunItemDialog(dialog);
  Engine.CurrentLine += 1;
}

void TForm1::CmdISS(BytesView line) {
  DrawPortrait(NumberOperand(line));
  const ItemRecord& item = Story.SelectedItem;
  if (item.Name.empty()) Form.Label1.Caption = Sjis("やっぱり、やめた。");
  else if (item.Name == NothingHeldEntry()) Form.Label1.Caption = Sjis("何も持って無い・・・。");
  else Form.Label1.Caption = Sjis("＜  ") + item.Name + Sjis("  ＞\n") + item.Description;
  WaitForClick();
  Engine.CurrentLine += 1;
}

void TForm1::CmdISJ(BytesView line) {
  const auto [item_name, sub_name] = PairOperand(line);
  if (Story.SelectedItem.Name == item_name) CallSubroutine(sub_name, Engine.CurrentLine + 1);
  else Engine.CurrentLine += 1;
}

}  // namespace torvane
