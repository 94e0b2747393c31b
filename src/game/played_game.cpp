#include "game/played_game.hpp"

namespace torvane {
namespace {

platform::GameFolder FolderFor(const GameSetup& setup) {
  platform::GameFolder folder(setup.GameDir);
  for (const auto& [name, bytes] : setup.HeldFiles) folder.Hold(name, bytes);
  return folder;
}

SavePointFile SavePointFor(const GameSetup& setup) {
  return setup.SaveFile ? SavePointFile::AtPath(*setup.SaveFile) : SavePointFile::ForGame(setup.GameDir);
}

}  // namespace

PlayedGame::PlayedGame(const GameSetup& setup, const platform::Clock& clock, ModalHost& host,
                       GameObserver& observer)
    : folder_(FolderFor(setup)),
      save_point_(SavePointFor(setup)),
      media_(setup.Media, folder_, clock),
      form_(FormServices{host, observer, clock, folder_, media_.Music(), media_.Sounds(), save_point_}) {}

}  // namespace torvane
