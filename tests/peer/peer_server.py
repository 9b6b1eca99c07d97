#!/usr/bin/python3
"""The user's server, for tests and the demo: a small aiohttp application that speaks the
server side of what the Tarvo client uses (the REST file API, the jobs API and the receptionist
emit), records every request it receives, and can be told to misbehave.

Run with Debian's interpreter (/usr/bin/python3), which has python3-aiohttp:

    /usr/bin/python3 peer_server.py --root DIR [--port 0] [--token T] [--receptionist-token R]
                                    [--tls-cert CERT --tls-key KEY] [--discard-bodies]

Once it listens it prints "PEER_LISTENING <port> <control port>" on standard output (the
control port differs only with TLS: the recordings are then read over plain HTTP there). It stops on SIGTERM,
SIGINT, or, when its standard input is a pipe, when that reaches end of file (so it never
outlives the test that started it); started by hand or in the background (standard input a
terminal, /dev/null or closed) it runs until a signal.

Control endpoints (no token needed), for tests:
  GET  /_peer/requests         every request received so far (JSON list, oldest first)
  POST /_peer/reset            forget requests and rules
  POST /_peer/rule             add a rule: {"path", "method"?, "times"? (default 1, 0 = always),
                               "status"?, "headers"? {name: value}, "body"? text, "json"? value,
                               "stall"? true (never answer), "close"? true (drop the connection),
                               "skip"? n (let the first n matching requests through)}
                               The first matching rule answers in place of the normal handler,
                               after the request (and its body) has been recorded.
                               Also "query"? {name: value} (match only requests with these
                               query items), "delay"? seconds (wait first; a rule with nothing
                               else to say then lets the normal handler answer, so replies can
                               be made to arrive out of order) and "json_file"? path (answer
                               with that file's contents as JSON).
  POST /_peer/recommendation   set the JSON that /api/jobs/recommend answers with
  GET  /_peer/jobs             the submitted jobs and their runs (see start_submitted_job)
"""

import argparse
import asyncio
import base64
import datetime
import hashlib
import json
import mimetypes
import os
import signal
import ssl
import stat as statmod
import sys
import time

from aiohttp import web

import cmd_stream

MAX_JSON_BODY = 8 * 1024 * 1024
BODY_TEXT_LIMIT = 1024 * 1024


class Peer:
    def __init__(self, args):
        self.root = os.path.abspath(args.root)
        self.files_root = os.path.join(self.root, "files")
        self.events_root = os.path.join(self.root, "events")
        os.makedirs(self.files_root, exist_ok=True)
        os.makedirs(self.events_root, exist_ok=True)
        self.token = args.token
        self.receptionist_token = args.receptionist_token
        self.discard_bodies = args.discard_bodies
        self.requests = []
        self.rules = []
        # Submitted jobs (see start_submitted_job).
        self.jobs = []
        self.job_processes = []
        self.job_waiters = []
        self.seq = 0
        self.recommendation = {
            "ok": True,
            "decision": "suggest",
            "exactMatch": False,
            "recommendations": [],
            "destinations": [],
        }

    # ---- recording -------------------------------------------------------------------------

    def record(self, request, body_size, body_sha256, body_text=None, body_file=None):
        entry = {
            "method": request.method,
            "path": request.rel_url.raw_path,
            "decoded_path": request.path,
            "query": request.rel_url.raw_query_string,
            "query_items": [[k, v] for k, v in request.rel_url.query.items()],
            "headers": [[k.decode("latin-1"), v.decode("latin-1")] for k, v in request.raw_headers],
            "body_size": body_size,
            "body_sha256": body_sha256,
            "body_text": body_text,
            "body_file": body_file,
            "time": time.time(),
        }
        self.requests.append(entry)
        return entry

    async def read_and_record(self, request, limit=MAX_JSON_BODY):
        data = bytearray()
        async for chunk in request.content.iter_chunked(64 * 1024):
            if len(data) + len(chunk) > limit:
                raise web.HTTPRequestEntityTooLarge(max_size=limit, actual_size=len(data) + len(chunk))
            data.extend(chunk)
        data = bytes(data)
        text = None
        if len(data) <= BODY_TEXT_LIMIT:
            try:
                text = data.decode("utf-8")
            except UnicodeDecodeError:
                text = None
        self.record(request, len(data), hashlib.sha256(data).hexdigest(), body_text=text)
        return data

    # ---- rules -----------------------------------------------------------------------------

    def take_rule(self, request):
        for rule in self.rules:
            if rule.get("path") != request.path:
                continue
            if rule.get("method") and rule["method"].upper() != request.method:
                continue
            if not self.rule_query_matches(rule, request):
                continue
            # "skip": n lets the first n matching requests through (fault on the n+1st item).
            if rule.get("skip", 0) > 0:
                rule["skip"] -= 1
                continue
            times = rule.get("times", 1)
            if times != 0:
                rule["times"] = times - 1
                if rule["times"] <= 0:
                    self.rules.remove(rule)
            return rule
        return None

    async def apply_rule(self, request, rule):
        if rule.get("stall"):
            # Never answer; the client's time-out or cancellation ends the exchange.
            while True:
                await asyncio.sleep(3600)
        if rule.get("close"):
            request.transport.close()
            raise asyncio.CancelledError()
        headers = dict(rule.get("headers", {}))
        if "json" in rule:
            body = json.dumps(rule["json"]).encode("utf-8")
            headers.setdefault("Content-Type", "application/json")
        elif "json_file" in rule:
            with open(rule["json_file"], "rb") as f:
                body = f.read()
            headers.setdefault("Content-Type", "application/json")
        elif "body_base64" in rule:
            body = base64.b64decode(rule["body_base64"])
        else:
            body = rule.get("body", "").encode("utf-8")
        return web.Response(status=rule.get("status", 200), body=body, headers=headers)

    # ---- delayed rules and query matching (folder listings out of order) -------------------

    RULE_ANSWER_KEYS = ("status", "headers", "body", "body_base64", "json", "json_file", "stall", "close")

    @staticmethod
    def rule_query_matches(rule, request):
        wanted = rule.get("query")
        if not wanted:
            return True
        query = request.rel_url.query
        return all(k in query and query[k] == str(v) for k, v in wanted.items())

    async def after_delay(self, rule):
        """Waits the rule's "delay"; gives the rule back when it still has an answer or a
        command-stream switch, else None so that the normal handler answers."""
        if rule is None or "delay" not in rule:
            return rule
        await asyncio.sleep(float(rule.get("delay") or 0))
        keys = self.RULE_ANSWER_KEYS + cmd_stream.WS_RULE_KEYS
        return rule if any(k in rule for k in keys) else None

    # ---- authorization ---------------------------------------------------------------------

    def bearer_ok(self, request, token):
        if token is None:
            return True
        return request.headers.get("Authorization", "") == "Bearer " + token

    # ---- file API --------------------------------------------------------------------------

    def resolve(self, rel):
        rel = (rel or "").strip().lstrip("/")
        full = os.path.normpath(os.path.join(self.files_root, rel))
        if full != self.files_root and not full.startswith(self.files_root + os.sep):
            return None
        return full

    @staticmethod
    def describe(name, full):
        st = os.lstat(full)
        if statmod.S_ISDIR(st.st_mode):
            kind = "dir"
        elif statmod.S_ISLNK(st.st_mode):
            kind = "symlink"
        elif statmod.S_ISREG(st.st_mode):
            kind = "file"
        else:
            kind = "other"
        return {
            "name": name,
            "type": kind,
            "size": st.st_size,
            "mtime": int(st.st_mtime),
            "executable": bool(st.st_mode & 0o111) and kind == "file",
        }


# ---- submitted jobs ------------------------------------------------------------------------
# A job whose payload carries "execution" {"shell_line", "cwd"?, "env"?} is run as the server
# would: under bash -c in the files folder, detached from the request, its output written to
# runs/<run id>.log. GET /_peer/jobs lists them: {"job_id", "run_id", "shell_line", "cwd", "env",
# "log_path", "exit_code" (null while it runs)}. A payload without a shell line is only recorded.

async def start_submitted_job(peer, payload, job_id, run_id):
    execution = payload.get("execution")
    record = {"job_id": job_id, "run_id": run_id, "shell_line": None, "cwd": "", "env": {},
              "log_path": None, "exit_code": None}
    peer.jobs.append(record)
    if not isinstance(execution, dict) or not isinstance(execution.get("shell_line"), str):
        return
    record["shell_line"] = execution["shell_line"]
    record["cwd"] = str(execution.get("cwd") or "")
    env = dict(os.environ)
    extra = execution.get("env") if isinstance(execution.get("env"), dict) else {}
    for k, v in extra.items():
        env[str(k)] = str(v)
    record["env"] = {str(k): str(v) for k, v in extra.items()}
    cwd = peer.resolve(record["cwd"])
    if cwd is None or not os.path.isdir(cwd):
        record["exit_code"] = 127
        return
    runs = os.path.join(peer.root, "runs")
    os.makedirs(runs, exist_ok=True)
    log_path = os.path.join(runs, run_id + ".log")
    record["log_path"] = log_path
    log = open(log_path, "wb")
    proc = await asyncio.create_subprocess_exec(
        "bash", "-c", record["shell_line"], cwd=cwd, env=env, stdin=asyncio.subprocess.DEVNULL,
        stdout=log, stderr=asyncio.subprocess.STDOUT, start_new_session=True)
    log.close()
    peer.job_processes.append(proc)

    async def wait():
        record["exit_code"] = await proc.wait()

    peer.job_waiters.append(asyncio.ensure_future(wait()))


def json_response(status, value):
    return web.json_response(value, status=status)


# ---- NVK Ostrel's approval endpoint ---------------------------------------------------------
# POST /nvk/approve/<capability> stands in for the capability URL of a linked-deployment
# ticket: the request is recorded like every other; the answer is the next reply queued for
# that capability ({"status", "body"? text, "json"? value, "stall"? true}), else 200 with
# {"ok": true, "dispatched": [target ids]} for a well-formed approval and 400 otherwise.
# POST /_peer/nvk/replies {"capability": C, "replies": [...]} replaces C's queue.


def register_nvk_approval(app, peer):
    replies = {}

    async def approve(request):
        data = await peer.read_and_record(request)
        queue = replies.get(request.match_info["capability"], [])
        if queue:
            reply = queue.pop(0)
            if reply.get("stall"):
                while True:
                    await asyncio.sleep(3600)
            if "json" in reply:
                return web.json_response(reply["json"], status=reply.get("status", 200))
            return web.Response(status=reply.get("status", 200), body=reply.get("body", "").encode("utf-8"))
        try:
            body = json.loads(data.decode("utf-8"))
        except (UnicodeDecodeError, ValueError):
            body = None
        ids = body.get("targetIds") if isinstance(body, dict) else None
        if (not isinstance(body, dict) or body.get("action") != "approve" or not isinstance(ids, list)
                or not ids or not all(isinstance(i, str) for i in ids)):
            return json_response(400, {"ok": False, "error": "not an approval"})
        return json_response(200, {"ok": True, "dispatched": ids})

    async def control_replies(request):
        rule = await request.json()
        if not isinstance(rule, dict) or not isinstance(rule.get("capability"), str) \
                or not isinstance(rule.get("replies"), list):
            return json_response(400, {"error": "needs a capability and a list of replies"})
        replies[rule["capability"]] = list(rule["replies"])
        return json_response(200, {"ok": True})

    app.router.add_post("/_peer/nvk/replies", control_replies)
    app.router.add_post("/nvk/approve/{capability}", approve)


def build_app(peer):
    app = web.Application(client_max_size=MAX_JSON_BODY)

    async def rest(request, handler, auth=True):
        data = await peer.read_and_record(request)
        rule = await peer.after_delay(peer.take_rule(request))
        if rule is not None:
            return await peer.apply_rule(request, rule)
        if auth and not peer.bearer_ok(request, peer.token):
            return json_response(401, {"error": "unauthorized"})
        return await handler(request, data)

    async def api_list(request, _data):
        rel = request.rel_url.query.get("path", "")
        full = peer.resolve(rel)
        if full is None:
            return json_response(400, {"error": "path outside root"})
        if not os.path.isdir(full):
            return json_response(404, {"detail": "no such directory"})
        entries = [peer.describe(n, os.path.join(full, n)) for n in sorted(os.listdir(full))]
        return json_response(200, {"path": rel, "entries": entries})

    async def api_stat(request, _data):
        rel = request.rel_url.query.get("path", "")
        full = peer.resolve(rel)
        if full is None:
            return json_response(400, {"error": "path outside root"})
        if not os.path.lexists(full):
            return json_response(404, {"detail": "no such file"})
        d = peer.describe(os.path.basename(full), full)
        st = os.stat(full)
        return json_response(200, {
            "ok": True,
            "path": rel,
            "type": d["type"],
            "size": d["size"],
            "mtime": d["mtime"],
            "etag": "%x-%x" % (int(st.st_mtime), st.st_size),
            "mime": mimetypes.guess_type(full)[0] or "application/octet-stream",
        })

    def parse_json_object(data):
        try:
            value = json.loads(data.decode("utf-8"))
        except (UnicodeDecodeError, ValueError):
            return None
        return value if isinstance(value, dict) else None

    async def jobs_submit(request, data):
        payload = parse_json_object(data)
        if payload is None:
            return json_response(400, {"error": "body must be a JSON object"})
        peer.seq += 1
        job_id, run_id = "job-%d" % peer.seq, "run-%d" % peer.seq
        await start_submitted_job(peer, payload, job_id, run_id)
        return json_response(200, {"ok": True, "job_id": job_id, "run_id": run_id})

    async def jobs_observation(request, data):
        if parse_json_object(data) is None:
            return json_response(400, {"error": "body must be a JSON object"})
        return web.Response(status=204)

    async def jobs_recommend(request, data):
        if parse_json_object(data) is None:
            return json_response(400, {"error": "body must be a JSON object"})
        return json_response(200, peer.recommendation)

    def route(handler, auth=True):
        async def wrapped(request):
            return await rest(request, handler, auth)
        return wrapped

    # ---- receptionist ----------------------------------------------------------------------

    async def emit(request):
        peer.seq += 1
        seq = peer.seq
        event_id = "evt-%06d" % seq
        basename = os.path.basename(request.headers.get("X-File-Name", "") or "payload.bin")
        if basename in ("", ".", ".."):
            basename = "payload.bin"
        event_dir = os.path.join(peer.events_root, event_id)
        digest = hashlib.sha256()
        size = 0
        body_file = None
        sink = None
        if not peer.discard_bodies:
            os.makedirs(event_dir, exist_ok=True)
            body_file = os.path.join(event_dir, basename)
            sink = open(body_file, "wb")
        try:
            async for chunk in request.content.iter_chunked(256 * 1024):
                digest.update(chunk)
                size += len(chunk)
                if sink is not None:
                    sink.write(chunk)
        finally:
            if sink is not None:
                sink.close()
        text = None
        if body_file is not None and size <= BODY_TEXT_LIMIT:
            with open(body_file, "rb") as f:
                try:
                    text = f.read().decode("utf-8")
                except UnicodeDecodeError:
                    text = None
        peer.record(request, size, digest.hexdigest(), body_text=text, body_file=body_file)
        rule = peer.take_rule(request)
        if rule is not None:
            return await peer.apply_rule(request, rule)
        token = peer.receptionist_token
        if token is not None:
            given = request.headers.get("X-Auth-Token", "")
            if given != token and request.headers.get("Authorization", "") != "Bearer " + token:
                return json_response(401, {"ok": False, "error": "unauthorized"})
        now = datetime.datetime.now(datetime.timezone.utc)
        return json_response(201, {
            "ok": True,
            "schema": 1,
            "ts": now.strftime("%Y-%m-%dT%H:%M:%SZ"),
            "via": "http",
            "kind": request.headers.get("X-Event-Kind", ""),
            "device": request.headers.get("X-Device-ID", ""),
            "event_id": event_id,
            "event_dir": event_dir,
            "ref": "events/%s/%s" % (event_id, basename),
            "seq": seq,
            "bytes": size,
            "basename": basename,
        })

    # ---- control ---------------------------------------------------------------------------

    async def control_requests(_request):
        return json_response(200, peer.requests)

    async def control_reset(_request):
        peer.requests.clear()
        peer.rules.clear()
        return json_response(200, {"ok": True})

    async def control_rule(request):
        rule = await request.json()
        if not isinstance(rule, dict) or "path" not in rule:
            return json_response(400, {"error": "a rule needs a path"})
        peer.rules.append(rule)
        return json_response(200, {"ok": True})

    async def control_recommendation(request):
        peer.recommendation = await request.json()
        return json_response(200, {"ok": True})

    # ---- submitted jobs: their records, and the end of their processes with the server.
    async def control_jobs(_request):
        return json_response(200, peer.jobs)

    async def stop_jobs(_app):
        for proc in peer.job_processes:
            if proc.returncode is None:
                try:
                    os.killpg(proc.pid, signal.SIGKILL)
                except (ProcessLookupError, PermissionError):
                    pass

    app.router.add_get("/_peer/jobs", control_jobs)
    app.on_cleanup.append(stop_jobs)

    app.router.add_get("/_peer/requests", control_requests)
    app.router.add_post("/_peer/reset", control_reset)
    app.router.add_post("/_peer/rule", control_rule)
    app.router.add_post("/_peer/recommendation", control_recommendation)

    for prefix in ("", "/srv"):
        app.router.add_get(prefix + "/api/list", route(api_list))
        app.router.add_get(prefix + "/api/stat", route(api_stat))
        app.router.add_post(prefix + "/api/jobs/submit", route(jobs_submit))
        app.router.add_post(prefix + "/api/jobs/artifact-observation", route(jobs_observation))
        app.router.add_post(prefix + "/api/jobs/recommend", route(jobs_recommend))
        app.router.add_post(prefix + "/emit", emit)

    cmd_stream.register(app, peer)
    register_nvk_approval(app, peer)

    # Anything else is recorded and answered by a rule, or 404.
    async def fallback(request):
        await peer.read_and_record(request)
        rule = peer.take_rule(request)
        if rule is not None:
            return await peer.apply_rule(request, rule)
        return json_response(404, {"error": "no such endpoint"})

    app.router.add_route("*", "/{tail:.*}", fallback)
    return app


def watched_stdin():
    """The descriptor of standard input when it is a pipe or a socket, else None."""
    try:
        fd = sys.stdin.fileno()
        mode = os.fstat(fd).st_mode
    except (AttributeError, OSError, ValueError):
        return None
    return fd if statmod.S_ISFIFO(mode) or statmod.S_ISSOCK(mode) else None


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--token", default=None)
    parser.add_argument("--receptionist-token", default=None)
    parser.add_argument("--tls-cert", default=None)
    parser.add_argument("--tls-key", default=None)
    parser.add_argument("--discard-bodies", action="store_true")
    args = parser.parse_args()

    peer = Peer(args)
    app = build_app(peer)
    runner = web.AppRunner(app, access_log=None, handle_signals=False)
    await runner.setup()
    ssl_context = None
    if args.tls_cert:
        ssl_context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        ssl_context.load_cert_chain(args.tls_cert, args.tls_key)
    site = web.TCPSite(runner, "127.0.0.1", args.port, ssl_context=ssl_context)
    await site.start()
    port = site._server.sockets[0].getsockname()[1]
    control_port = port
    if ssl_context is not None:
        # Tests read the recordings over plain HTTP on a second port.
        control_site = web.TCPSite(runner, "127.0.0.1", 0)
        await control_site.start()
        control_port = control_site._server.sockets[0].getsockname()[1]

    stop = asyncio.Event()
    loop = asyncio.get_running_loop()
    for sig in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(sig, stop.set)

    # A test's pipe on standard input ties the server's life to the test's. Anything else (a
    # terminal, /dev/null, a file, no standard input at all) means it was started by hand or in
    # the background: it then runs until a signal.
    stdin_fd = watched_stdin()
    if stdin_fd is not None:
        def stdin_closed():
            try:
                data = os.read(stdin_fd, 65536)
            except OSError:
                data = b""
            if not data:
                loop.remove_reader(stdin_fd)
                stop.set()

        loop.add_reader(stdin_fd, stdin_closed)

    try:
        print("PEER_LISTENING %d %d" % (port, control_port), flush=True)
    except (OSError, ValueError, AttributeError):
        pass  # no standard output to tell: the port was given on the command line
    await stop.wait()
    await runner.cleanup()


if __name__ == "__main__":
    asyncio.run(main())
