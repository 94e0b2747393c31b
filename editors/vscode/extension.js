'use strict';
const path = require('path');
const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');
const { isScenarioFile, gameFolderOf, playCommand } = require('./lib/game');

const LANGUAGE = 'torvane-scenario';
let client;

async function startServer() {
  const command = vscode.workspace.getConfiguration('torvane').get('serverPath') || 'torvane-lsp';
  client = new LanguageClient(
    'torvane',
    'Torvane',
    { command, args: [], transport: TransportKind.stdio },
    { documentSelector: [{ scheme: 'file', language: LANGUAGE }] },
  );
  try {
    await client.start();
  } catch (error) {
    client = undefined;
    const choice = await vscode.window.showErrorMessage(
      `Torvane: the language server "${command}" did not start (${error.message || error}). ` +
        'Highlighting and "Play from here" still work.',
      'Open Settings',
    );
    if (choice) vscode.commands.executeCommand('workbench.action.openSettings', 'torvane.serverPath');
  }
}

async function stopServer() {
  if (!client) return;
  const stopping = client;
  client = undefined;
  try {
    await stopping.stop();
  } catch {
    // A server that already died has nothing left to stop.
  }
}

// .txt files beside Sinario00.txt are scenarios too, but only the folder can
// tell, so VS Code opens them as plain text first.
async function adopt(document) {
  if (document.uri.scheme !== 'file' || document.languageId !== 'plaintext') return;
  if (!isScenarioFile(document.uri.fsPath)) return;
  const adopted = await vscode.languages.setTextDocumentLanguage(document, LANGUAGE);
  await reopenInScenarioEncoding(adopted);
}

// The encoding was chosen while the file was plain text, so it was read as
// UTF-8. Editors whose API can reopen a document in another encoding do so.
async function reopenInScenarioEncoding(document) {
  const wanted = vscode.workspace
    .getConfiguration('files', { uri: document.uri, languageId: LANGUAGE })
    .get('encoding');
  if (typeof document.encoding !== 'string' || !wanted || document.encoding === wanted) return;
  if (document.isDirty) return;
  try {
    await vscode.workspace.openTextDocument(document.uri, { encoding: wanted });
  } catch {
    // Left as it is: "Reopen with Encoding" does the same by hand.
  }
}

async function play(resource) {
  const uri = resource instanceof vscode.Uri ? resource : vscode.window.activeTextEditor?.document.uri;
  if (!uri || uri.scheme !== 'file') {
    vscode.window.showErrorMessage('Torvane: open a scenario file of the game to play it.');
    return;
  }
  const gameDir = gameFolderOf(uri.fsPath);
  // The player reads the scenarios from disk, not from the editor.
  const unsaved = vscode.workspace.textDocuments.filter(
    (d) => d.isDirty && d.uri.scheme === 'file' && path.dirname(d.uri.fsPath) === gameDir,
  );
  await Promise.all(unsaved.map((d) => d.save()));

  const settings = vscode.workspace.getConfiguration('torvane.play', uri);
  const { program, args } = playCommand(
    {
      with: settings.get('with'),
      windowPath: settings.get('windowPath'),
      windowArguments: settings.get('windowArguments'),
      runnerPath: settings.get('runnerPath'),
      runnerArguments: settings.get('runnerArguments'),
    },
    gameDir,
  );
  // Started without a shell, so that no folder name needs quoting.
  const terminal = vscode.window.createTerminal({
    name: `Torvane: ${path.basename(gameDir)}`,
    cwd: gameDir,
    shellPath: program,
    shellArgs: args,
  });
  terminal.show();
}

async function activate(context) {
  context.subscriptions.push(
    vscode.commands.registerCommand('torvane.play', play),
    vscode.workspace.onDidOpenTextDocument((document) => adopt(document)),
    vscode.workspace.onDidChangeConfiguration(async (event) => {
      if (!event.affectsConfiguration('torvane.serverPath')) return;
      await stopServer();
      await startServer();
    }),
  );
  await Promise.all(vscode.workspace.textDocuments.map((document) => adopt(document)));
  await startServer();
}

function deactivate() {
  return stopServer();
}

module.exports = { activate, deactivate };
