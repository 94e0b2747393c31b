"""torvane-lsp driven as an editor drives it, over real pipes."""
import os
import pathlib
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from lsp_client import Client  # noqa: E402

SERVER = sys.argv.pop(1)
DEMO = pathlib.Path(sys.argv.pop(1))


def uri_of(path):
    return "file://" + str(path)


class ServerTest(unittest.TestCase):
    def setUp(self):
        self.dir = pathlib.Path(tempfile.mkdtemp(prefix="torvane-lsp-"))
        self.client = Client(SERVER, "--debounce", "0", "--max-message-bytes", "4096")

    def tearDown(self):
        if self.client.process.poll() is None:
            self.client.process.kill()
            self.client.process.wait()
        shutil.rmtree(self.dir)

    def start(self, encodings=None):
        capabilities = {"general": {"positionEncodings": encodings}} if encodings else {}
        reply = self.client.request("initialize", {"processId": None, "capabilities": capabilities})
        self.client.notify("initialized", {})
        return reply["result"]["capabilities"]

    def open(self, name, lines, write=False):
        path = self.dir / name
        text = "\r\n".join(lines) + "\r\n"
        if write:
            path.write_bytes(text.encode("cp932"))
        self.client.notify("textDocument/didOpen", {"textDocument": {
            "uri": uri_of(path), "languageId": "torvane-scenario", "version": 1, "text": text}})
        return uri_of(path)

    def at(self, uri, line, character):
        return {"textDocument": {"uri": uri}, "position": {"line": line, "character": character}}


class ProtocolTest(ServerTest):
    def test_position_encoding_is_negotiated(self):
        self.assertEqual(self.start(["utf-8", "utf-16"])["positionEncoding"], "utf-8")

    def test_utf16_without_an_offer(self):
        capabilities = self.start()
        self.assertEqual(capabilities["positionEncoding"], "utf-16")
        self.assertEqual(capabilities["textDocumentSync"]["change"], 2)

    def test_a_request_before_initialize_is_refused(self):
        self.assertEqual(self.client.request("textDocument/hover", {})["error"]["code"], -32002)

    def test_bad_messages_get_errors_and_the_server_lives_on(self):
        self.start()
        self.client.send_raw(b"Content-Length: 9\r\n\r\n{not json")
        self.assertEqual(self.client.receive()["error"]["code"], -32700)
        body = b'{"jsonrpc":"2.0","id":99,"method":"x","params":"' + b"a" * 5000 + b'"}'
        self.client.send_raw(b"Content-Length: %d\r\n\r\n" % len(body) + body)
        self.assertEqual(self.client.receive()["error"]["code"], -32600)
        self.client.send_raw(b"Content-Length: ten\r\n\r\n")
        self.assertEqual(self.client.receive()["error"]["code"], -32700)
        self.assertEqual(self.client.request("no/such/method")["error"]["code"], -32601)
        reply = self.client.request("textDocument/hover", {"textDocument": {"uri": "file:///nowhere"}, "position": {}})
        self.assertIn("error", reply)
        self.assertIsNone(self.client.request("shutdown")["result"])
        self.client.notify("exit", {})
        self.assertEqual(self.client.close(), 0)

    def test_exit_without_shutdown_is_a_failure(self):
        self.start()
        self.client.notify("exit", {})
        self.assertEqual(self.client.close(), 1)


class DiagnosticsTest(ServerTest):
    LINES = ["@STE", "@GSB 見る", "@CMD 選ぶ", "見る,見ない", "ｱｲ,無い", "@END", "@TXT 0", "😀x", "@END", "@LST",
             "@CMD おわり", "@END", "@SUB 見る", "@RTN"]

    def ranges(self, diagnostics):
        return sorted((d["code"], d["range"]["start"]["line"], d["range"]["start"]["character"],
                       d["range"]["end"]["character"]) for d in diagnostics)

    def test_positions_in_utf16(self):
        self.start()
        uri = self.open("Sinario00.txt", self.LINES)
        self.assertEqual(self.ranges(self.client.diagnostics(uri)), [
            ("encoding", 7, 0, 2),          # the emoji: two UTF-16 units
            ("undefined-label", 3, 3, 6),   # after 見る and the comma
            ("undefined-label", 4, 3, 5),   # after two half-width kana and the comma
        ])

    def test_positions_in_utf8(self):
        self.start(["utf-8"])
        uri = self.open("Sinario00.txt", self.LINES)
        self.assertEqual(self.ranges(self.client.diagnostics(uri)), [
            ("encoding", 7, 0, 4),
            ("undefined-label", 3, 7, 16),
            ("undefined-label", 4, 7, 13),
        ])

    def test_an_incremental_edit_that_fixes_a_mistake_clears_it(self):
        self.start()
        uri = self.open("Sinario00.txt", self.LINES)
        self.assertEqual(len(self.client.diagnostics(uri)), 3)
        edits = [  # 見ない -> 見る on line 2, 無い -> 見る on line 3, the emoji -> あ
            {"range": {"start": {"line": 3, "character": 3}, "end": {"line": 3, "character": 6}}, "text": "見る"},
            {"range": {"start": {"line": 4, "character": 3}, "end": {"line": 4, "character": 5}}, "text": "見る"},
            {"range": {"start": {"line": 7, "character": 0}, "end": {"line": 7, "character": 2}}, "text": "あ"},
        ]
        self.client.notify("textDocument/didChange", {"textDocument": {"uri": uri, "version": 2},
                                                      "contentChanges": edits})
        self.assertEqual(self.client.diagnostics(uri), [])

    def test_findings_in_other_files_go_to_those_files(self):
        self.start()
        (self.dir / "Sinario01.txt").write_bytes("@REM\r\n@TXY\r\n".encode("cp932"))
        uri = self.open("Sinario00.txt", ["@STE", "@NXT Sinario01.txt"])
        other = uri_of(self.dir / "Sinario01.txt")
        found = self.client.diagnostics(other)
        self.assertEqual([(d["code"], d["range"]["start"]["line"]) for d in found], [("not-a-command", 1)])
        self.assertEqual(self.client.diagnostics(uri), [])


class DemoTest(ServerTest):
    def setUp(self):
        super().setUp()
        for path in DEMO.iterdir():
            shutil.copy(path, self.dir / path.name)
        self.start()
        self.uri = uri_of(self.dir / "Sinario00.txt")
        text = (self.dir / "Sinario00.txt").read_bytes().decode("cp932")
        self.lines = text.splitlines()
        self.client.notify("textDocument/didOpen", {"textDocument": {
            "uri": self.uri, "languageId": "torvane-scenario", "version": 1, "text": text}})
        self.assertEqual(self.client.diagnostics(self.uri), [])

    def line_of(self, text):
        return self.lines.index(text)

    def test_definition_of_a_call_a_menu_target_a_file_and_an_item(self):
        gsb = self.line_of("@GSB 支度")
        reply = self.client.request("textDocument/definition", self.at(self.uri, gsb, 6))["result"]
        self.assertEqual(reply["range"]["start"], {"line": self.line_of("@SUB 支度"), "character": 5})
        entry = self.line_of("持ち物を見る,持ち物")
        reply = self.client.request("textDocument/definition", self.at(self.uri, entry, 8))["result"]
        self.assertEqual(reply["range"]["start"]["line"], self.line_of("@SUB 持ち物"))
        nxt = self.line_of("@NXT Sinario01.txt")
        reply = self.client.request("textDocument/definition", self.at(self.uri, nxt, 7))["result"]
        self.assertEqual(reply["uri"], uri_of(self.dir / "Sinario01.txt"))
        use = self.line_of("@IGG 古い鍵")
        reply = self.client.request("textDocument/definition", self.at(self.uri, use, 6))["result"]
        self.assertEqual(reply["range"]["start"]["line"], self.line_of("古い鍵,None,None,錆びついた真鍮の鍵。灯台の扉のものらしい。"))

    def test_references_and_rename_of_an_item_reach_the_other_file(self):
        use = self.line_of("@IGG 古い鍵")
        refs = self.client.request("textDocument/references",
                                   {**self.at(self.uri, use, 6), "context": {"includeDeclaration": True}})["result"]
        files = {pathlib.Path(r["uri"]).name for r in refs}
        self.assertEqual(files, {"Sinario00.txt", "Sinario01.txt"})
        edit = self.client.request("textDocument/rename", {**self.at(self.uri, use, 6), "newName": "鍵"})["result"]
        self.assertEqual(sum(len(e) for e in edit["changes"].values()), len(refs))
        self.assertTrue(all(e["newText"] == "鍵" for edits in edit["changes"].values() for e in edits))
        bad = self.client.request("textDocument/rename", {**self.at(self.uri, use, 6), "newName": "a,b"})
        self.assertIn("error", bad)

    def test_rename_of_a_label_stays_in_its_file(self):
        tag = self.line_of("@TAG 浜辺")
        edit = self.client.request("textDocument/rename", {**self.at(self.uri, tag, 5), "newName": "砂浜"})["result"]
        self.assertEqual(list(edit["changes"]), [self.uri])
        self.assertEqual(len(edit["changes"][self.uri]), 2)  # the @TAG and the @JMP

    def test_hover(self):
        def hover(line, character):
            return self.client.request("textDocument/hover", self.at(self.uri, line, character))["result"]["contents"]["value"]
        self.assertIn("Shows the command list", hover(self.line_of("@CMD 浜辺"), 1))
        self.assertIn("the fisherman", hover(self.line_of("@TXT 1"), 5))
        flag = hover(self.line_of("@FON 01"), 5)
        self.assertIn("@FON 01", flag)
        self.assertIn("@FJP 01", flag)
        self.assertIn("錆びついた真鍮の鍵", hover(self.line_of("@IGG 古い鍵"), 6))

    def test_completion(self):
        def labels(line, character):
            reply = self.client.request("textDocument/completion", self.at(self.uri, line, character))["result"]
            return [item["label"] for item in reply]
        self.assertIn("@TXT", labels(self.line_of("@STR"), 1))
        self.assertIn("浜辺", labels(self.line_of("@JMP 浜辺"), 5))
        self.assertIn("支度", labels(self.line_of("@GSB 支度"), 5))
        self.assertEqual(labels(self.line_of("@IGG 古い鍵"), 5), ["古い鍵", "ランプ", "地図"])
        self.assertEqual(labels(self.line_of("@BGS hama.bmp"), 5), ["hama.bmp", "kagi.ico", "naka.emf", "toudai.wmf"])
        self.assertEqual(labels(self.line_of("@NXT Sinario01.txt"), 5), ["Sinario00.txt", "Sinario01.txt"])

    def test_symbols_folding_and_tokens(self):
        symbols = self.client.request("textDocument/documentSymbol", {"textDocument": {"uri": self.uri}})["result"]
        names = [s["name"] for s in symbols]
        self.assertIn("支度", names)
        menu = next(s for s in symbols if s["detail"] == "@CMD")
        self.assertEqual([c["name"] for c in menu["children"]], ["調べる", "話す", "持ち物を見る", "灯台へ行く"])
        folds = self.client.request("textDocument/foldingRange", {"textDocument": {"uri": self.uri}})["result"]
        self.assertIn({"startLine": self.line_of("@CMD 浜辺"), "endLine": self.line_of("@CMD 浜辺") + 5}, folds)
        data = self.client.request("textDocument/semanticTokens/full", {"textDocument": {"uri": self.uri}})["result"]["data"]
        self.assertEqual(len(data) % 5, 0)
        self.assertEqual(data[:5], [0, 0, len(self.lines[0]), 4, 0])  # line 0 is all comment


if __name__ == "__main__":
    unittest.main(verbosity=2)
