#!/usr/bin/python3
"""The simplest client of the command stream, for comparison with the upload engine: it sends
the same frames (the writer's start frame, one base64 line of 32 KiB per stdin frame, the end
line) through aiohttp and waits for the exit frame.

    /usr/bin/python3 pipe_client.py URL TOKEN WRITER_SCRIPT_FILE LOCAL_FILE REMOTE_PATH
"""

import asyncio
import base64
import json
import sys

import aiohttp


async def main(url, token, script_file, local, remote):
    with open(script_file) as f:
        script = f.read()
    start = {"cmd": "python3", "args": ["-u", "-c", script, remote], "cwd": "", "paths": [],
             "insert_token": "{sel}", "append_paths": False, "stdin": "", "interactive": True,
             "persist": False}
    async with aiohttp.ClientSession() as session:
        async with session.ws_connect(url + "/ws/cmd?token=" + token,
                                      headers={"Authorization": "Bearer " + token},
                                      max_msg_size=64 * 1024 * 1024) as ws:
            await ws.send_str(json.dumps(start))
            with open(local, "rb") as f:
                while True:
                    chunk = f.read(32768)
                    if not chunk:
                        break
                    await ws.send_str(json.dumps({"stdin": base64.b64encode(chunk).decode("ascii") + "\n"}))
            await ws.send_str(json.dumps({"stdin": "__END__\n"}))
            async for msg in ws:
                frame = json.loads(msg.data)
                if frame.get("stream") == "exit":
                    return int(frame.get("code") or 0)
    return 1


if __name__ == "__main__":
    sys.exit(asyncio.run(main(*sys.argv[1:6])))
