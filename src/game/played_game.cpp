#include "game/played_game.hpp"

namespace torvane {
namespace {

SavePointFile SavePointFor(const GameSetup& setup) {
  return setup.SaveFile ? SavePointFile::AtPath(*setup.SaveFile) : SavePointFile::ForGame(setup.GameDir);
}

}  // namespace

PlayedGame::PlayedGame(const GameSetup& setup, const platform::Clock& clock, ModalHost& host,
                       GameObserver& observer)
    : folder_(setup.GameDir),
      save_point_(SavePointFor(setup)),
      media_(setup.Media, folder_, clock),
      form_(FormServices{host, observer, clock, folder_, media_.Music(), media_.Sounds(), save_point_}) {}

}  // namespace torvane
