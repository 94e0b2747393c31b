"""A minimal Language Server Protocol client over real pipes, for tests."""
import json
import os
import select
import subprocess


class Client:
    def __init__(self, server, *args):
        self.process = subprocess.Popen([server, *args], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.next_id = 0
        self.buffer = b""
        self.notifications = []

    def send_raw(self, data):
        self.process.stdin.write(data)
        self.process.stdin.flush()

    def send(self, message):
        body = json.dumps(message).encode()
        self.send_raw(b"Content-Length: %d\r\n\r\n" % len(body) + body)

    def _read_exactly(self, n, timeout):
        while len(self.buffer) < n:
            ready, _, _ = select.select([self.process.stdout], [], [], timeout)
            if not ready:
                raise TimeoutError("no answer from the server")
            chunk = os.read(self.process.stdout.fileno(), 65536)
            if not chunk:
                raise EOFError("the server closed its output")
            self.buffer += chunk
        data, self.buffer = self.buffer[:n], self.buffer[n:]
        return data

    def receive(self, timeout=10):
        header = b""
        while not header.endswith(b"\r\n\r\n"):
            header += self._read_exactly(1, timeout)
        length = None
        for line in header.decode().split("\r\n"):
            if line.lower().startswith("content-length:"):
                length = int(line.split(":", 1)[1])
        return json.loads(self._read_exactly(length, timeout))

    def request(self, method, params=None):
        self.next_id += 1
        self.send({"jsonrpc": "2.0", "id": self.next_id, "method": method, "params": params or {}})
        return self.reply(self.next_id)

    def reply(self, wanted_id):
        while True:
            message = self.receive()
            if "method" in message:
                self.notifications.append(message)
            elif message.get("id") == wanted_id:
                return message

    def notify(self, method, params):
        self.send({"jsonrpc": "2.0", "method": method, "params": params})

    def diagnostics(self, uri, timeout=10):
        """The next diagnostics published for `uri`."""
        for i, message in enumerate(self.notifications):
            if message["method"] == "textDocument/publishDiagnostics" and message["params"]["uri"] == uri:
                del self.notifications[i]
                return message["params"]["diagnostics"]
        while True:
            message = self.receive(timeout)
            if message.get("method") == "textDocument/publishDiagnostics" and message["params"]["uri"] == uri:
                return message["params"]["diagnostics"]
            if "method" in message:
                self.notifications.append(message)

    def close(self):
        self.process.stdin.close()
        return self.process.wait(timeout=10)
