'use strict';
// The extension's glue against a stand-in for the editor: what it asks VS
// Code to do when files open, when the server cannot start, and on "Play".

const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const os = require('os');
const path = require('path');
const Module = require('module');

function fakeEditor(settings) {
  const calls = { languages: [], reopened: [], terminals: [], errors: [], saved: [], clients: [] };
  const handlers = {};
  class Uri {
    constructor(fsPath) { this.scheme = 'file'; this.fsPath = fsPath; }
    static file(fsPath) { return new Uri(fsPath); }
  }
  const document = (fsPath, languageId = 'plaintext', extra = {}) => ({
    uri: Uri.file(fsPath), languageId, isDirty: false, encoding: 'utf8',
    save: async () => { calls.saved.push(fsPath); return true; }, ...extra,
  });
  const vscode = {
    Uri,
    workspace: {
      textDocuments: [],
      getConfiguration: (section) => ({ get: (key) => settings[`${section}.${key}`] }),
      onDidOpenTextDocument: (fn) => { handlers.open = fn; return { dispose() {} }; },
      onDidChangeConfiguration: (fn) => { handlers.configuration = fn; return { dispose() {} }; },
      openTextDocument: async (uri, options) => { calls.reopened.push([uri.fsPath, options.encoding]); },
    },
    languages: {
      setTextDocumentLanguage: async (doc, languageId) => {
        calls.languages.push([doc.uri.fsPath, languageId]);
        return { ...doc, languageId };
      },
    },
    window: {
      activeTextEditor: undefined,
      createTerminal: (options) => { calls.terminals.push(options); return { show() {} }; },
      showErrorMessage: async (message) => { calls.errors.push(message); },
    },
    commands: {
      registered: {},
      registerCommand(id, fn) { this.registered[id] = fn; return { dispose() {} }; },
      executeCommand: async () => {},
    },
  };
  class LanguageClient {
    constructor(id, name, server, client) {
      Object.assign(this, { server, client, stopped: false });
      calls.clients.push(this);
    }
    async start() { if (settings.failToStart) throw new Error('spawn torvane-lsp ENOENT'); }
    async stop() { this.stopped = true; }
  }
  return { vscode, calls, handlers, document, languageclient: { LanguageClient, TransportKind: { stdio: 0 } } };
}

function loadExtension(editor) {
  const original = Module._load;
  Module._load = function (request, ...rest) {
    if (request === 'vscode') return editor.vscode;
    if (request === 'vscode-languageclient/node') return editor.languageclient;
    return original.call(this, request, ...rest);
  };
  try {
    delete require.cache[require.resolve('../extension')];
    return require('../extension');
  } finally {
    Module._load = original;
  }
}

const defaults = {
  'torvane.serverPath': 'torvane-lsp',
  'torvane.play.with': 'window',
  'torvane.play.windowPath': 'torvane',
  'torvane.play.windowArguments': [],
  'torvane.play.runnerPath': 'torvane-headless',
  'torvane.play.runnerArguments': [],
  'files.encoding': 'shiftjis',
};

test('the extension in the editor', async (t) => {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), 'torvane-extension-'));
  t.after(() => fs.rmSync(root, { recursive: true, force: true }));
  fs.mkdirSync(path.join(root, 'game'));
  fs.writeFileSync(path.join(root, 'game', 'SINARIO00.TXT'), '@STE\n');
  const inGame = (name) => path.join(root, 'game', name);

  await t.test('starts the server on scenario documents', async () => {
    const editor = fakeEditor({ ...defaults, 'torvane.serverPath': '/opt/torvane-lsp' });
    await loadExtension(editor).activate({ subscriptions: [] });
    const [client] = editor.calls.clients;
    assert.deepStrictEqual(client.server.command, '/opt/torvane-lsp');
    assert.deepStrictEqual(client.client.documentSelector, [{ scheme: 'file', language: 'torvane-scenario' }]);
    assert.ok(editor.vscode.commands.registered['torvane.play']);
  });

  await t.test('a changed server path restarts the server with it', async () => {
    const settings = { ...defaults };
    const editor = fakeEditor(settings);
    await loadExtension(editor).activate({ subscriptions: [] });
    settings['torvane.serverPath'] = 'my-lsp';
    await editor.handlers.configuration({ affectsConfiguration: (key) => key === 'torvane.serverPath' });
    assert.strictEqual(editor.calls.clients.length, 2);
    assert.ok(editor.calls.clients[0].stopped);
    assert.strictEqual(editor.calls.clients[1].server.command, 'my-lsp');
  });

  await t.test('a server that does not start is reported, and the rest goes on', async () => {
    const editor = fakeEditor({ ...defaults, failToStart: true });
    await loadExtension(editor).activate({ subscriptions: [] });
    assert.strictEqual(editor.calls.errors.length, 1);
    assert.match(editor.calls.errors[0], /torvane-lsp/);
    assert.ok(editor.vscode.commands.registered['torvane.play']);
  });

  await t.test('plain .txt beside Sinario00.txt become scenarios, reopened in Shift-JIS', async () => {
    const editor = fakeEditor(defaults);
    editor.vscode.workspace.textDocuments = [editor.document(inGame('ending.txt'))];
    await loadExtension(editor).activate({ subscriptions: [] });
    await editor.handlers.open(editor.document(path.join(root, 'notes.txt')));
    await editor.handlers.open(editor.document(inGame('readme.txt'), 'markdown'));
    await editor.handlers.open(editor.document(inGame('dirty.txt'), 'plaintext', { isDirty: true }));
    assert.deepStrictEqual(editor.calls.languages, [
      [inGame('ending.txt'), 'torvane-scenario'],
      [inGame('dirty.txt'), 'torvane-scenario'],
    ]);
    assert.deepStrictEqual(editor.calls.reopened, [[inGame('ending.txt'), 'shiftjis']], 'unsaved edits are never reloaded');
  });

  await t.test('"Play from here" saves the game and runs the chosen program on its folder', async () => {
    const editor = fakeEditor({ ...defaults, 'torvane.play.with': 'runner', 'torvane.play.runnerArguments': ['--trace'] });
    await loadExtension(editor).activate({ subscriptions: [] });
    editor.vscode.workspace.textDocuments = [
      editor.document(inGame('SINARIO00.TXT'), 'torvane-scenario', { isDirty: true }),
      editor.document(path.join(root, 'elsewhere.txt'), 'plaintext', { isDirty: true }),
    ];
    editor.vscode.window.activeTextEditor = { document: editor.document(inGame('ending.txt')) };
    await editor.vscode.commands.registered['torvane.play']();
    assert.deepStrictEqual(editor.calls.saved, [inGame('SINARIO00.TXT')]);
    assert.strictEqual(editor.calls.terminals.length, 1);
    const [terminal] = editor.calls.terminals;
    assert.deepStrictEqual(
      [terminal.shellPath, terminal.shellArgs, terminal.cwd],
      ['torvane-headless', ['--trace', path.join(root, 'game')], path.join(root, 'game')],
    );
  });

  await t.test('"Play from here" without a file to play says so', async () => {
    const editor = fakeEditor(defaults);
    await loadExtension(editor).activate({ subscriptions: [] });
    await editor.vscode.commands.registered['torvane.play']();
    assert.deepStrictEqual(editor.calls.terminals, []);
    assert.strictEqual(editor.calls.errors.length, 1);
  });
});
