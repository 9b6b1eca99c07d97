"""The command stream of the loopback server: WebSocket endpoints /ws/cmd and /api/ws/cmd (also
under /srv) that run real processes under the server's files folder.

Protocol (server side):
- The first client message is the start frame, a JSON object: "cmd", "args", "cwd" (relative to
  the files folder; "" is the folder itself), "stdin" (written first), "interactive" (keep standard
  input open for stdin frames), "persist" (a detached run), "shell" + "shell_line" (run the line
  under bash -c), "env" (added to the environment).
- Later client messages {"stdin": text} are written unchanged to the process's standard input.
- The server sends {"stream": "stdout"|"stderr", "data": text} while the process prints, then
  {"stream": "exit", "code": n}. A start the server cannot carry out gets {"stream": "error",
  "data": text}.
- A detached run answers {"stream": "meta", "run_id": id, "log_path": path} as soon as the process
  runs; its output goes to that log (and to the client while it stays connected), and the process
  outlives the connection. If it exits before the metadata went out, the client gets its output
  and its exit frame instead.
- When the client goes away while a process runs, the process's standard input is closed; a
  process that has not ended five seconds later is killed.

Each connection is recorded like any request (see peer_server.py), with a "ws" object: "start"
(the start frame), "frames" (every client message: type, size, and the text when it is short),
"stdin_frames", "stdin_bytes", "client_close_code", "run_id", "log_path".

Fault switches are rules (POST /_peer/rule) on the endpoint's path:
- HTTP-level, before the upgrade (as for any path): "status" (refuse), "close" (drop the
  connection before the handshake answer), "stall" (never answer).
- After the upgrade:
  "script": [steps]    ignore the start frame's command and play these steps, then wait for the
                       client to close. A step is {"text": t} (a text message), {"json": v} (v as
                       a text message), {"binary": t} (t's UTF-8 bytes as a binary message),
                       {"json_binary": v}, {"sleep": seconds}, {"close": code, "reason"?: t}
                       (a close frame), {"drop": true} (the TCP connection closed without one),
                       {"fragments": [t, ...], "binary"?: true} (one message sent as several
                       frames) or {"ping": t} (a ping; the client's pongs are recorded in "pongs").
  "close_after_stdin": n   close the WebSocket (code 1011) once n stdin frames have arrived.
  "suppress_exit": true    never send the exit frame.
  "binary_frames": true    send every server frame as a binary message.
  "meta_delay": seconds    a detached run announces its metadata this much later.
  "suppress_meta": true    a detached run never announces its metadata.
"""

import asyncio
import codecs
import hashlib
import json
import os
import signal
import struct
import uuid

from aiohttp import WSMsgType, web

WS_RULE_KEYS = ("script", "close_after_stdin", "suppress_exit", "binary_frames", "meta_delay", "suppress_meta")
FRAME_TEXT_LIMIT = 4096
STDIN_GRACE_SECONDS = 5.0
MAX_MESSAGE = 64 * 1024 * 1024
PATHS = ("/ws/cmd", "/api/ws/cmd")


def register(app, peer):
    """Adds the command-stream routes; call before any catch-all route is added."""
    stream = CmdStream(peer)
    for prefix in ("", "/srv"):
        for path in PATHS:
            app.router.add_get(prefix + path, stream.handle)
    app.on_cleanup.append(stream.cleanup)
    return stream


def raw_frame(opcode, payload, fin):
    """One unmasked server frame, for what the WebSocket library will not send (fragments)."""
    head = bytes([(0x80 if fin else 0) | opcode])
    n = len(payload)
    if n < 126:
        head += bytes([n])
    elif n < 65536:
        head += bytes([126]) + struct.pack("!H", n)
    else:
        head += bytes([127]) + struct.pack("!Q", n)
    return head + payload


class Session:
    """One connection: the WebSocket, its record and its rule."""

    def __init__(self, request, ws, record, rule):
        self.request = request
        self.ws = ws
        self.record = record
        self.rule = rule or {}

    async def send(self, frame):
        if self.ws.closed:
            return
        text = json.dumps(frame)
        try:
            if self.rule.get("binary_frames"):
                await self.ws.send_bytes(text.encode("utf-8"))
            else:
                await self.ws.send_str(text)
        except (ConnectionError, RuntimeError):
            pass

    def note(self, msg):
        data = msg.data
        size = len(data) if isinstance(data, (str, bytes)) else 0
        entry = {"type": "text" if msg.type == WSMsgType.TEXT else "binary", "size": size, "text": None}
        if msg.type == WSMsgType.TEXT and size <= FRAME_TEXT_LIMIT:
            entry["text"] = data
        self.record["frames"].append(entry)

    async def next_message(self):
        """The next text or binary message; None once the client has closed or gone."""
        while True:
            msg = await self.ws.receive()
            if msg.type in (WSMsgType.TEXT, WSMsgType.BINARY):
                self.note(msg)
                return msg
            if msg.type == WSMsgType.PING:
                await self.ws.pong(msg.data)
                continue
            if msg.type == WSMsgType.PONG:
                self.record.setdefault("pongs", []).append(msg.data.decode("utf-8", "replace"))
                continue
            if msg.type == WSMsgType.CLOSE:
                self.record["client_close_code"] = msg.data
                return None
            if msg.type in (WSMsgType.CLOSING, WSMsgType.CLOSED, WSMsgType.ERROR):
                if self.record.get("client_close_code") is None and self.ws.close_code is not None:
                    self.record["client_close_code"] = self.ws.close_code
                return None

    async def drain_until_closed(self):
        while await self.next_message() is not None:
            pass


class CmdStream:
    def __init__(self, peer):
        self.peer = peer
        self.runs_root = os.path.join(peer.root, "runs")
        os.makedirs(self.runs_root, exist_ok=True)
        self.detached = []

    async def cleanup(self, _app):
        for proc in self.detached:
            if proc.returncode is None:
                try:
                    os.killpg(proc.pid, signal.SIGKILL)
                except (ProcessLookupError, PermissionError):
                    pass

    # ---- connection -----------------------------------------------------------------------

    async def handle(self, request):
        entry = self.peer.record(request, 0, hashlib.sha256(b"").hexdigest())
        record = {"start": None, "frames": [], "stdin_frames": 0, "stdin_bytes": 0,
                  "client_close_code": None, "run_id": None, "log_path": None}
        entry["ws"] = record
        rule = await self.peer.after_delay(self.peer.take_rule(request))
        if rule is not None and not any(k in rule for k in WS_RULE_KEYS):
            return await self.peer.apply_rule(request, rule)
        if not self.peer.bearer_ok(request, self.peer.token):
            return web.json_response({"error": "unauthorized"}, status=401)
        # Scripted sessions see pings and pongs themselves (to record the client's pongs).
        ws = web.WebSocketResponse(max_msg_size=MAX_MESSAGE, autoping=not (rule and "script" in rule))
        if not ws.can_prepare(request).ok:
            return web.json_response({"error": "a WebSocket upgrade is required"}, status=400)
        await ws.prepare(request)
        session = Session(request, ws, record, rule)
        try:
            if "script" in session.rule:
                await self.play(session)
            else:
                await self.serve(session)
        finally:
            if not ws.closed:
                await ws.close()
        return ws

    async def play(self, session):
        await session.next_message()  # the start frame, if the client sends one
        for step in session.rule["script"]:
            if "fragments" in step:
                pieces = [p.encode("utf-8") for p in step["fragments"]]
                for i, piece in enumerate(pieces):
                    opcode = (0x2 if step.get("binary") else 0x1) if i == 0 else 0x0
                    session.request.transport.write(raw_frame(opcode, piece, i + 1 == len(pieces)))
            elif "sleep" in step:
                await asyncio.sleep(float(step["sleep"]))
            elif "text" in step:
                await session.ws.send_str(step["text"])
            elif "json" in step:
                await session.ws.send_str(json.dumps(step["json"]))
            elif "binary" in step:
                await session.ws.send_bytes(step["binary"].encode("utf-8"))
            elif "json_binary" in step:
                await session.ws.send_bytes(json.dumps(step["json_binary"]).encode("utf-8"))
            elif "close" in step:
                await session.ws.close(code=int(step["close"]), message=step.get("reason", "").encode("utf-8"))
                return
            elif "ping" in step:
                await session.ws.ping(step["ping"].encode("utf-8"))
            elif "drop" in step:
                if session.request.transport is not None:
                    session.request.transport.close()
                return
        await session.drain_until_closed()

    # ---- processes --------------------------------------------------------------------------

    def working_directory(self, cwd):
        rel = (cwd or "").strip().strip("/")
        full = os.path.normpath(os.path.join(self.peer.files_root, rel))
        if full != self.peer.files_root and not full.startswith(self.peer.files_root + os.sep):
            return None
        return full

    async def serve(self, session):
        first = await session.next_message()
        if first is None:
            return
        try:
            start = json.loads(first.data)
        except (TypeError, ValueError):
            start = None
        if not isinstance(start, dict):
            await session.send({"stream": "error", "data": "the first message must be a JSON start frame"})
            return
        session.record["start"] = start
        cwd = self.working_directory(start.get("cwd", ""))
        if cwd is None:
            await session.send({"stream": "error", "data": "cwd outside the server's root"})
            return
        os.makedirs(cwd, exist_ok=True)
        if start.get("shell"):
            argv = ["bash", "-c", str(start.get("shell_line", ""))]
        else:
            argv = [str(start.get("cmd", ""))] + [str(a) for a in start.get("args", [])]
        env = dict(os.environ)
        for k, v in (start.get("env") or {}).items():
            env[str(k)] = str(v)
        if start.get("persist"):
            await self.run_detached(session, start, argv, cwd, env)
        else:
            await self.run_attached(session, start, argv, cwd, env)

    async def spawn(self, session, argv, cwd, env, stdin):
        try:
            return await asyncio.create_subprocess_exec(
                *argv, cwd=cwd, env=env, stdin=stdin, stdout=asyncio.subprocess.PIPE,
                stderr=asyncio.subprocess.PIPE, start_new_session=True)
        except OSError as e:
            await session.send({"stream": "error", "data": "cannot start %s: %s" % (argv[0], e.strerror)})
            return None

    async def pump(self, session, reader, name, log=None):
        decoder = codecs.getincrementaldecoder("utf-8")(errors="replace")
        while True:
            chunk = await reader.read(65536)
            if log is not None and chunk:
                log.write(chunk)
                log.flush()
            text = decoder.decode(chunk, final=not chunk)
            if text:
                await session.send({"stream": name, "data": text})
            if not chunk:
                return

    async def feed_stdin(self, session, proc):
        """Writes stdin frames to the process until the client closes; True when it did."""
        limit = session.rule.get("close_after_stdin")
        writable = True
        while True:
            msg = await session.next_message()
            if msg is None:
                return True
            try:
                frame = json.loads(msg.data)
            except (TypeError, ValueError):
                continue
            if not isinstance(frame, dict) or not isinstance(frame.get("stdin"), str):
                continue
            data = frame["stdin"].encode("utf-8")
            session.record["stdin_frames"] += 1
            session.record["stdin_bytes"] += len(data)
            if writable and proc.stdin is not None:
                try:
                    proc.stdin.write(data)
                    await proc.stdin.drain()
                except (BrokenPipeError, ConnectionResetError):
                    writable = False
            if limit is not None and session.record["stdin_frames"] >= int(limit):
                await session.ws.close(code=1011, message=b"closing mid-stream")
                return True

    @staticmethod
    def close_stdin(proc):
        if proc.stdin is not None and not proc.stdin.is_closing():
            try:
                proc.stdin.close()
            except (BrokenPipeError, ConnectionResetError):
                pass

    async def run_attached(self, session, start, argv, cwd, env):
        proc = await self.spawn(session, argv, cwd, env, asyncio.subprocess.PIPE)
        if proc is None:
            return
        initial = start.get("stdin") or ""
        try:
            if initial:
                proc.stdin.write(str(initial).encode("utf-8"))
                await proc.stdin.drain()
        except (BrokenPipeError, ConnectionResetError):
            pass
        if not start.get("interactive"):
            self.close_stdin(proc)
        pumps = asyncio.gather(self.pump(session, proc.stdout, "stdout"), self.pump(session, proc.stderr, "stderr"))
        feeder = asyncio.ensure_future(self.feed_stdin(session, proc))
        ended = asyncio.ensure_future(proc.wait())
        await asyncio.wait({feeder, ended}, return_when=asyncio.FIRST_COMPLETED)
        if not ended.done():
            # The client went away while the process runs: end its input, as a closed terminal
            # would, and give it a moment to finish on its own.
            self.close_stdin(proc)
            try:
                await asyncio.wait_for(asyncio.shield(ended), STDIN_GRACE_SECONDS)
            except asyncio.TimeoutError:
                try:
                    os.killpg(proc.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                await ended
            await pumps
            return
        await pumps
        if not session.rule.get("suppress_exit"):
            await session.send({"stream": "exit", "code": proc.returncode})
        await feeder

    async def run_detached(self, session, start, argv, cwd, env):
        run_id = "run-" + uuid.uuid4().hex[:12]
        log_path = os.path.join(self.runs_root, run_id + ".log")
        log = open(log_path, "wb")
        proc = await self.spawn(session, argv, cwd, env, asyncio.subprocess.DEVNULL)
        if proc is None:
            log.close()
            return
        self.detached.append(proc)
        session.record["run_id"] = run_id
        session.record["log_path"] = log_path

        async def outputs():
            try:
                await asyncio.gather(self.pump(session, proc.stdout, "stdout", log),
                                     self.pump(session, proc.stderr, "stderr", log))
                await proc.wait()
            finally:
                log.close()

        running = asyncio.ensure_future(outputs())
        delay = float(session.rule.get("meta_delay", 0))
        if delay > 0:
            await asyncio.wait({running}, timeout=delay)
        if running.done():
            await session.send({"stream": "exit", "code": proc.returncode})
        elif not session.rule.get("suppress_meta"):
            await session.send({"stream": "meta", "run_id": run_id, "log_path": log_path})
        # The run goes on after the client leaves; its output keeps going to the log.
        await session.drain_until_closed()
