'use strict';
// Tokenizes scenario text with the extension's grammar, the way VS Code does.

const fs = require('fs');
const path = require('path');
const vsctm = require('vscode-textmate');
const oniguruma = require('vscode-oniguruma');

const GRAMMAR = path.join(__dirname, '..', 'syntaxes', 'torvane-scenario.tmLanguage.json');
const SCOPE = 'source.torvane-scenario';

let grammarPromise;

function loadGrammar() {
  if (!grammarPromise) {
    const wasm = fs.readFileSync(require.resolve('vscode-oniguruma/release/onig.wasm'));
    const onigLib = oniguruma.loadWASM(wasm.buffer).then(() => ({
      createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
      createOnigString: (text) => new oniguruma.OnigString(text),
    }));
    const registry = new vsctm.Registry({
      onigLib,
      loadGrammar: async (scopeName) =>
        scopeName === SCOPE ? vsctm.parseRawGrammar(fs.readFileSync(GRAMMAR, 'utf8'), GRAMMAR) : null,
    });
    grammarPromise = registry.loadGrammar(SCOPE);
  }
  return grammarPromise;
}

// Returns one entry a line: { text, tokens: [{ text, scopes }] }, and the
// scopes that a line after the last one starts in, so that a test can tell
// whether every block was closed.
async function tokenize(text) {
  const grammar = await loadGrammar();
  const lines = text.split(/\r\n|\r|\n/);
  if (lines.length > 0 && lines[lines.length - 1] === '') lines.pop();
  let state = vsctm.INITIAL;
  const result = [];
  for (const line of lines) {
    const { tokens, ruleStack } = grammar.tokenizeLine(line, state);
    state = ruleStack;
    result.push({
      text: line,
      tokens: tokens.map((t) => ({ text: line.slice(t.startIndex, t.endIndex), scopes: t.scopes })),
    });
  }
  const after = grammar.tokenizeLine('', state).tokens[0].scopes;
  return { lines: result, scopesAfter: after };
}

function readScenario(file) {
  return new TextDecoder('shift_jis').decode(fs.readFileSync(file));
}

module.exports = { tokenize, readScenario, SCOPE };
