"""A server that misbehaves on purpose, every byte chosen: plain asyncio sockets, no HTTP or
WebSocket library, so it can send what no library would.

The first segment of the request path names the act, so a client is pointed at one act by a base
URL such as http://127.0.0.1:<port>/rsv (the command stream then asks for /rsv/ws/cmd, the REST
client for /rsv/api/list, the emit client for /rsv/emit). A request is read up to the end of its
head; a body announced by Content-Length or sent chunked is read too before anything is answered.

WebSocket acts: the upgrade is accepted (a correct Sec-WebSocket-Accept), then
  rsv, opcode, toplen, fragping, bigping, orphancont, badutf8
             one invalid frame (a reserved bit, a reserved opcode, a 64-bit length with its top
             bit set, a ping without FIN, a ping of 126 bytes, a continuation with no message,
             text that is not UTF-8), then the connection is held open: everything the client
             sends is read and dropped, no close frame is answered, the server never hangs up
  close      a valid close frame (1000), then held open the same way
  closenoread
             nothing is read; half a second later (the client's sends have backed up by then) a
             valid close frame (1000), and still nothing is read
  silent     held open from the start: the client's close frame is never answered
  flood      stdout frames of 60,000 characters, as fast as the client takes them, without end
  floodexit  8 MiB of stdout frames whose text counts up, then an exit frame with code 0
  nested     one meta frame of about 2 MiB whose "data" is arrays nested 500 deep, then an exit
             frame with code 3
  wide       one meta frame of about 2 MiB whose "data" holds as many empty arrays as fit
HTTP acts:
  bigerror   500 with a JSON body whose "error" is 5 MiB of text
  stall      no answer at all; the connection stays open

Prints "RAW_LISTENING <port>" once it listens; ends when its standard input closes.
"""

import argparse
import asyncio
import base64
import hashlib
import json
import os
import signal
import struct
import sys

GUID = b"258EAFA5-E914-47DA-95CA-C5AB0DC85B11"
HEAD_LIMIT = 64 * 1024

INVALID_FRAMES = {
    "rsv": b"\xc1\x01x",
    "opcode": b"\x83\x00",
    "toplen": b"\x82\x7f\x80\x00\x00\x00\x00\x00\x00\x00",
    "fragping": b"\x09\x00",
    "bigping": b"\x89\x7e\x00\x7e" + b"p" * 126,
    "orphancont": b"\x80\x01x",
    "badutf8": b"\x81\x02\xc3\x28",
}
CLOSE_1000 = b"\x88\x02\x03\xe8"


def frame(opcode, payload):
    """One unmasked, final server frame."""
    head = bytes([0x80 | opcode])
    n = len(payload)
    if n < 126:
        head += bytes([n])
    elif n < 65536:
        head += bytes([126]) + struct.pack("!H", n)
    else:
        head += bytes([127]) + struct.pack("!Q", n)
    return head + payload


def text_frame(value):
    return frame(0x1, json.dumps(value).encode("utf-8"))


def nested_meta():
    unit = "[" * 500 + "]" * 500
    count = (2 * 1024 * 1024) // (len(unit) + 1)
    return '{"stream":"meta","data":[' + ",".join([unit] * count) + "]}"


def wide_meta():
    count = (2 * 1024 * 1024) // 3
    return '{"stream":"meta","data":[' + ",".join(["[]"] * count) + "]}"


async def read_head(reader):
    data = await reader.readuntil(b"\r\n\r\n")
    if len(data) > HEAD_LIMIT:
        raise ValueError("head too long")
    lines = data.decode("latin-1").split("\r\n")
    method, target, _ = lines[0].split(" ", 2)
    headers = {}
    for line in lines[1:]:
        if ":" in line:
            name, value = line.split(":", 1)
            headers[name.strip().lower()] = value.strip()
    return method, target, headers


async def read_body(reader, headers):
    if "content-length" in headers:
        left = int(headers["content-length"])
        while left > 0:
            chunk = await reader.read(min(left, 1 << 20))
            if not chunk:
                return
            left -= len(chunk)
    elif headers.get("transfer-encoding", "").lower() == "chunked":
        while True:
            size = int((await reader.readline()).split(b";")[0], 16)
            await reader.readexactly(size + 2)
            if size == 0:
                return


async def drain(reader):
    """Reads and drops whatever comes, until the client's end of the stream."""
    while await reader.read(1 << 16):
        pass


async def hold(reader):
    """Keeps the connection open without ever answering or hanging up (until the peer ends)."""
    await drain(reader)
    await asyncio.sleep(3600)


async def websocket(act, reader, writer, headers):
    key = headers.get("sec-websocket-key", "").encode("ascii")
    accept = base64.b64encode(hashlib.sha1(key + GUID).digest()).decode("ascii")
    writer.write(("HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                  "Sec-WebSocket-Accept: %s\r\n\r\n" % accept).encode("ascii"))
    await writer.drain()
    if act in INVALID_FRAMES:
        writer.write(INVALID_FRAMES[act])
        await writer.drain()
        await hold(reader)
    elif act == "close":
        writer.write(CLOSE_1000)
        await writer.drain()
        await hold(reader)
    elif act == "closenoread":
        await asyncio.sleep(0.5)
        writer.write(CLOSE_1000)
        await writer.drain()
        await asyncio.sleep(3600)
    elif act == "silent":
        await hold(reader)
    elif act == "flood":
        chunk = text_frame({"stream": "stdout", "data": "x" * 60000})
        drainer = asyncio.ensure_future(drain(reader))
        try:
            while not drainer.done():
                writer.write(chunk)
                await writer.drain()
        finally:
            drainer.cancel()
    elif act == "floodexit":
        drainer = asyncio.ensure_future(drain(reader))
        sent = 0
        i = 0
        while sent < 8 * 1024 * 1024:
            data = "%09d\n" % i * 6000
            writer.write(text_frame({"stream": "stdout", "data": data}))
            await writer.drain()
            sent += len(data)
            i += 1
        writer.write(text_frame({"stream": "exit", "code": 0}))
        await writer.drain()
        await drainer
    elif act in ("nested", "wide"):
        body = nested_meta() if act == "nested" else wide_meta()
        writer.write(frame(0x1, body.encode("ascii")))
        writer.write(text_frame({"stream": "exit", "code": 3}))
        await writer.drain()
        await hold(reader)
    else:
        writer.write(CLOSE_1000)
        await writer.drain()


async def http(act, reader, writer, headers):
    await read_body(reader, headers)
    if act == "bigerror":
        body = json.dumps({"error": "E" * (5 * 1024 * 1024)}).encode("ascii")
        writer.write(b"HTTP/1.1 500 Internal Server Error\r\nContent-Type: application/json\r\n"
                     b"Content-Length: %d\r\nConnection: close\r\n\r\n" % len(body) + body)
        await writer.drain()
    elif act == "stall":
        await hold(reader)
    else:
        writer.write(b"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")
        await writer.drain()


async def serve(reader, writer):
    try:
        _method, target, headers = await read_head(reader)
        act = target.split("?", 1)[0].strip("/").split("/", 1)[0]
        if headers.get("upgrade", "").lower() == "websocket":
            await websocket(act, reader, writer, headers)
        else:
            await http(act, reader, writer, headers)
    except (ConnectionError, asyncio.IncompleteReadError, asyncio.LimitOverrunError, ValueError):
        pass
    except asyncio.CancelledError:
        pass
    finally:
        writer.transport.abort()


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    args = parser.parse_args()
    server = await asyncio.start_server(serve, "127.0.0.1", args.port, limit=HEAD_LIMIT * 2)
    port = server.sockets[0].getsockname()[1]

    stop = asyncio.Event()
    loop = asyncio.get_running_loop()
    for sig in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(sig, stop.set)

    def stdin_closed():
        if not os.read(sys.stdin.fileno(), 65536):
            loop.remove_reader(sys.stdin.fileno())
            stop.set()

    loop.add_reader(sys.stdin.fileno(), stdin_closed)
    print("RAW_LISTENING %d" % port, flush=True)
    await stop.wait()
    server.close()


if __name__ == "__main__":
    asyncio.run(main())
