#include "check/command_help.hpp"

#include <cstddef>

namespace torvane::check {

// In the engine's test order, row for row.
const std::array<CommandHelp, kCommandCount> kCommandHelp = {{
    {"@CMD", "name: the caption; then menu entry lines", "Shows the command list, one entry a line (`text,label`), and waits for a choice. The choice calls the entry's `@SUB`, which returns after the block."},
    {"@JMP", "name: a `@TAG` label", "Continues at the label."},
    {"@FON", "flag", "Sets the flag."},
    {"@FOF", "flag", "Clears the flag."},
    {"@TXT", "number: the portrait; then message lines", "Draws the portrait (0 to 10) and shows the message lines. Waits for a click."},
    {"@BGM", "file: music", "Starts the music, looping. A missing file stops the game."},
    {"@SEM", "file: a sound effect", "Starts the effect and goes on at once. A missing file is silent."},
    {"@ESB", "none", "Returns from the latest call."},
    {"@RTN", "none", "The same as `@ESB`."},
    {"@CLF", "none", "Clears flags 00 to 99."},
    {"@FJP", "flag and label: a `@TAG` label", "Continues at the label when the flag is set."},
    {"@FSB", "flag and label: a `@SUB` label", "Calls the label when the flag is set."},
    {"@GSB", "name: a `@SUB` label", "Calls the label; `@RTN` returns to the next line."},
    {"@BGS", "file: a picture", "Shows the picture (`.bmp`, `.ico`, `.wmf`, `.emf`) as the scene."},
    {"@LST", "none", "The ending: takes Start from the game menu and shows the closing box. The script goes on after it."},
    {"@NXT", "file: a scenario", "Loads that file and continues at its line 2. Its first line never runs."},
    {"@END", "none", "Nothing."},
    {"@TAG", "name: the label this line defines", "Nothing when run. `@JMP` and `@FJP` find it."},
    {"@SUB", "name: the label this line defines", "Nothing when run. `@GSB`, `@FSB`, `@ISJ` and menu entries find it."},
    {"@STR", "none", "Switches to the full-screen narration screen."},
    {"@STX", "none; narration pages follow", "Shows the pages one after another, 4 seconds each, up to a line that is exactly `@STE` or `@LST`."},
    {"@STE", "none", "Back to the normal screen."},
    {"@REM", "a comment", "Nothing."},
    {"@IIZ", "item definition lines", "Fills the item table from its first record, one item a line: `name,holding,usage,description`."},
    {"@IGG", "name: an item", "The player now holds the item."},
    {"@IGN", "name: an item", "The player no longer holds it."},
    {"@IUU", "name: an item", "Marks the item used."},
    {"@IUN", "name: an item", "Marks the item unused."},
    {"@ICL", "none", "Erases every item."},
    {"@IVW", "number: the portrait", "Lists the held items in the message area. Waits for a click."},
    {"@ITM", "none", "Opens the item dialog. The item picked becomes the selected item."},
    {"@ISS", "number: the portrait", "Shows the selected item. Waits for a click."},
    {"@ISJ", "pair: an item, a `@SUB` label", "Calls the label when the selected item has that name."},
    {"@SAV", "file: a scenario", "Makes that file the save point, where Continue starts."},}};

const CommandHelp& HelpFor(const CommandRow& row) {
  return kCommandHelp[static_cast<std::size_t>(&row - kCommandTable.data())];
}

}  // namespace torvane::check
