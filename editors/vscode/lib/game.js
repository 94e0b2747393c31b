'use strict';
// What the extension decides about games without VS Code, so that it can be
// tested with plain node.

const fs = require('fs');
const path = require('path');

// The player finds files in any letter case, so the editor does too.
const SCENARIO_NAME = /^sinario.*\.txt$/i;
const FIRST_SCENARIO = /^sinario00\.txt$/i;
const TEXT_FILE = /\.txt$/i;

function isScenarioName(fileName) {
  return SCENARIO_NAME.test(path.basename(fileName));
}

function holdsFirstScenario(dir) {
  try {
    return fs.readdirSync(dir).some((entry) => FIRST_SCENARIO.test(entry));
  } catch {
    return false;
  }
}

// A game's scenarios need not be named Sinario*.txt: any .txt that @NXT can
// name is one, and the folder that holds Sinario00.txt is the game.
function isScenarioFile(filePath) {
  if (!TEXT_FILE.test(filePath)) return false;
  return isScenarioName(filePath) || holdsFirstScenario(path.dirname(filePath));
}

function gameFolderOf(filePath) {
  return path.dirname(filePath);
}

// settings: the values of the torvane.play.* settings, by their last part.
function playCommand(settings, gameDir) {
  const runner = settings.with === 'runner';
  const program = runner ? settings.runnerPath : settings.windowPath;
  const extra = runner ? settings.runnerArguments : settings.windowArguments;
  const fallback = runner ? 'torvane-headless' : 'torvane';
  return {
    program: typeof program === 'string' && program.trim() !== '' ? program : fallback,
    args: [...(Array.isArray(extra) ? extra.map(String) : []), gameDir],
  };
}

module.exports = { isScenarioName, holdsFirstScenario, isScenarioFile, gameFolderOf, playCommand };
