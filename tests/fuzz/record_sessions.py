#!/usr/bin/env python3
"""Records sessions with kestrovane-devserver as seeds of the server-line fuzz target.

    tests/fuzz/record_sessions.py build/bin/kestrovane-devserver

Each seed is what the server sent during one scripted session, one line per "\\n" (CR LF
removed), in CP949 as on the wire.
"""
import contextlib
import os
import re
import socket
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus", "server_lines")


def cp949(text):
    return text.encode("cp949")


class Client:
    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=5)
        self.buffer = b""
        self.lines = []

    def send(self, text):
        self.sock.sendall(cp949(text) + b"\r\n")

    def read(self, wait=0.4, until=None):
        """Collects server lines for `wait` seconds, or until one starts with `until`."""
        deadline = time.monotonic() + wait
        while time.monotonic() < deadline:
            if until and any(l.startswith(until) for l in self.lines):
                return
            self.sock.settimeout(max(0.01, deadline - time.monotonic()))
            try:
                chunk = self.sock.recv(65536)
            except socket.timeout:
                continue
            if not chunk:
                break
            self.buffer += chunk
            while b"\r\n" in self.buffer:
                line, self.buffer = self.buffer.split(b"\r\n", 1)
                self.lines.append(line)

    def close(self):
        self.sock.close()


@contextlib.contextmanager
def dev_server(binary, *options):
    """The dev server on a free port, ended when the block ends; gives the port."""
    proc = subprocess.Popen([binary, "--chat-port", "0", "--http-port", "0", *options],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    try:
        yield int(re.search(r":(\d+)", proc.stdout.readline()).group(1))
    finally:
        proc.terminate()
        proc.wait()


def save(name, lines):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(b"\n".join(lines))


def signed_in(port):
    c = Client(port)
    c.send("LO:demo,demo1234")
    c.read(until=b"R:")
    c.send("GC:")
    c.read(until=b"GR:")
    c.send("AC:")
    c.read(until=b"AC:")
    c.send("RC:")
    c.read(until=b"RV:")
    return c


def main():
    binary = sys.argv[1]
    os.makedirs(OUT, exist_ok=True)

    with dev_server(binary, "--ping-interval", "1", "--active-interval", "1",
                    "--phone-delay-ms", "100") as port:
        c = signed_in(port)
        save("sign-in", c.lines)
        c.send("H:1001:안녕하세요{}잘 지내?")
        c.send("RC:")
        c.read(wait=1.5)
        c.send("GA:새 그룹")
        c.read(until=b"GG:")
        c.send("GM:1,가족들")
        c.send("GS:2,1001")
        for number in ["01011112222", "01005051234", "01000111234", "01000121234",
                       "01000131234", "01000991234"]:
            c.send("UN:82," + number + ",새 친구")
            c.read(until=b"P:")
            c.read(wait=0.2)
        c.send("UK:01005051234,05050001111")
        c.read(wait=0.3)
        c.send("PS:0,1001,01099998888:단체 문자")
        c.read(until=b"R:ak")
        c.send("PP:0,1002:2030,1,2,13,5:예약 문자")
        c.read(wait=0.3)
        c.send("RC:")
        c.read(wait=1.2)
        save("signed-in-session", c.lines)
        # The same id signing in elsewhere shuts the first connection out.
        second = signed_in(port)
        c.read(wait=0.5)
        save("shut-out", c.lines)
        second.close()
        c.close()

        refused_sign_in(port, "wrong-password", "LO:demo,wrong")
        refused_sign_in(port, "unknown-user", "LO:nobody,x")

    with dev_server(binary, "--refuse-login") as port:
        refused_sign_in(port, "refused", "LO:demo,demo1234")

    with dev_server(binary, "--close-mid-line") as port:
        c = Client(port)
        c.send("LO:demo,demo1234")
        c.read(until=b"R:")
        c.send("GC:")
        c.read(wait=0.5)
        if c.buffer:
            c.lines.append(c.buffer)
        save("closed-mid-line", c.lines)
        c.close()


def refused_sign_in(port, name, login):
    c = Client(port)
    c.send(login)
    c.read(until=b"R:")
    save(name, c.lines)
    c.close()


if __name__ == "__main__":
    main()
