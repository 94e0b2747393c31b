'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { isScenarioName, isScenarioFile, playCommand } = require('../lib/game');

test('which files are scenarios', async (t) => {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), 'torvane-vscode-'));
  t.after(() => fs.rmSync(root, { recursive: true, force: true }));
  const make = (...parts) => {
    const file = path.join(root, ...parts);
    fs.mkdirSync(path.dirname(file), { recursive: true });
    fs.writeFileSync(file, '@STE\n');
    return file;
  };
  const game = (...parts) => path.join(root, 'game', ...parts);
  make('game', 'SINARIO00.TXT');
  make('game', 'ending.txt');
  make('notes', 'todo.txt');
  make('notes', 'sinario00.txt.bak');

  await t.test('a Sinario*.txt name in any letter case', () => {
    for (const name of ['Sinario00.txt', 'sinario12.TXT', 'SINARIOx.Txt']) assert.ok(isScenarioName(name), name);
    for (const name of ['Scenario00.txt', 'Sinario00.txt.bak', 'Sinario00.ini', 'mySinario00.txt']) {
      assert.ok(!isScenarioName(name), name);
    }
  });
  await t.test('any .txt in the folder that holds Sinario00.txt, in any letter case', () => {
    assert.ok(isScenarioFile(game('ending.txt')));
    assert.ok(isScenarioFile(game('ENDING.TXT')), 'the file itself need not exist yet');
  });
  await t.test('no other file', () => {
    assert.ok(!isScenarioFile(path.join(root, 'notes', 'todo.txt')), 'a backup of Sinario00.txt makes no game');
    assert.ok(!isScenarioFile(game('hama.bmp')));
    assert.ok(!isScenarioFile(path.join(root, 'missing', 'todo.txt')), 'a folder that cannot be read');
  });
});

test('what "Play from here" runs', async (t) => {
  const defaults = { with: 'window', windowPath: 'torvane', windowArguments: [], runnerPath: 'torvane-headless', runnerArguments: [] };
  await t.test('the window on the game folder by default', () => {
    assert.deepStrictEqual(playCommand(defaults, '/games/霧 の 灯台'), { program: 'torvane', args: ['/games/霧 の 灯台'] });
  });
  await t.test('the runner when chosen, its options before the folder', () => {
    const settings = { ...defaults, with: 'runner', runnerArguments: ['--input', '-'] };
    assert.deepStrictEqual(playCommand(settings, '/g'), { program: 'torvane-headless', args: ['--input', '-', '/g'] });
  });
  await t.test('an empty or broken setting falls back to the program name', () => {
    const settings = { with: 'runner', runnerPath: '  ', runnerArguments: 'oops' };
    assert.deepStrictEqual(playCommand(settings, '/g'), { program: 'torvane-headless', args: ['/g'] });
    assert.deepStrictEqual(playCommand({ windowArguments: ['--author'] }, '/g'), { program: 'torvane', args: ['--author', '/g'] });
  });
});
