'use strict';
// The grammar over whole games: the bundled demo, which torvane-check finds
// clean, and the examples of the authors' guide with the findings it lists.

const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const path = require('path');
const { tokenize, readScenario, SCOPE } = require('./tokenize');

const ROOT = path.join(__dirname, '..', '..', '..');
const DEMO = path.join(ROOT, 'games', 'demo');
const GUIDE = path.join(ROOT, 'docs', 'language.md');

const hasScope = (line, prefix) => line.tokens.some((t) => t.scopes.some((s) => s.startsWith(prefix)));

for (const name of ['Sinario00.txt', 'Sinario01.txt']) {
  test(`the demo's ${name}`, async (t) => {
    const { lines, scopesAfter } = await tokenize(readScenario(path.join(DEMO, name)));
    assert.ok(lines.length > 50, `${name} read as ${lines.length} lines`);

    await t.test('has no line marked invalid', () => {
      const marked = lines.flatMap((line, i) => (hasScope(line, 'invalid.') ? [`${i + 1}: ${line.text}`] : []));
      assert.deepStrictEqual(marked, []);
    });
    await t.test('closes every block where the engine does', () => {
      lines.forEach((line, i) => {
        if (line.text.trim() !== '@END') return;
        assert.ok(hasScope(line, 'keyword.control.block'), `line ${i + 1} is shown as text`);
      });
      assert.deepStrictEqual(scopesAfter, [SCOPE]);
    });
    await t.test('scopes every label after a jump, a call or a menu comma', () => {
      lines.forEach((line, i) => {
        const label = /^@(TAG|SUB|JMP|GSB|FJP|FSB|ISJ)/.test(line.text) || /^[^@].*,/.test(line.text);
        if (label && !hasScope(line, 'meta.block.items')) {
          assert.ok(hasScope(line, 'entity.name.'), `line ${i + 1} (${line.text}) names no label`);
        }
      });
    });
  });
}

// Each example is a whole Sinario00.txt, followed by "LINE check" lines.
function guideExamples() {
  const text = fs.readFileSync(GUIDE, 'utf8');
  const pattern = /```scenario\n([\s\S]*?)```\s*```findings\n([\s\S]*?)```/g;
  const examples = [];
  for (const [, scenario, findings] of text.matchAll(pattern)) {
    const byLine = new Map();
    for (const row of findings.split('\n').filter(Boolean)) {
      const [line, check] = row.split(' ');
      byLine.set(Number(line), [...(byLine.get(Number(line)) || []), check]);
    }
    examples.push({ scenario, byLine });
  }
  return examples;
}

test("the guide's examples", async (t) => {
  const examples = guideExamples();
  assert.ok(examples.length >= 4, `only ${examples.length} examples found in the guide`);
  const noCommand = ['not-a-command', 'opcode-case', 'leading-blank'];
  for (const [n, { scenario, byLine }] of examples.entries()) {
    await t.test(`example ${n + 1}: a line is marked as no command exactly when the checker says so`, async () => {
      const { lines } = await tokenize(scenario);
      lines.forEach((line, i) => {
        const checks = byLine.get(i + 1) || [];
        const expected = checks.some((c) => noCommand.includes(c));
        assert.strictEqual(hasScope(line, 'invalid.illegal.not-a-command'), expected, `line ${i + 1}: ${line.text}`);
        if (hasScope(line, 'invalid.illegal.operand')) {
          assert.ok(checks.includes('operand'), `line ${i + 1} is marked but has no operand finding`);
        }
      });
    });
  }
});
