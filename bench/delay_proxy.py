"""A TCP proxy in front of a local FTP server that makes it as far away as a real link.

Every byte is held half a round trip on its way in each direction, on the control connection
and on each data connection, so a request and its answer cost one round trip and a stream of
data flows at the server's speed once it comes. The answer to EPSV or PASV names a port of the
proxy's own that leads to the server's data port, and is held one round trip more: on a real
link the client's data connection costs the handshake that follows that answer before the
client can go on, and here the handshake is made on this machine.

  proxy = DelayProxy("127.0.0.1", server_port, round_trip=0.020); proxy.start(); proxy.port
"""

import asyncio
import re
import threading
import time

EPSV = re.compile(rb"^229 [^(]*\(\|\|\|(\d+)\|\)")
PASV = re.compile(rb"^227 [^(]*\((\d+),(\d+),(\d+),(\d+),(\d+),(\d+)\)")


class DelayProxy:
    def __init__(self, host, port, round_trip=0.020):
        self.host, self.server_port, self.half = host, port, round_trip / 2
        self.port = None
        self.connections = 0  # control connections made through the proxy
        self.most_at_once = 0  # the most control connections open at one time
        self._open = 0
        self._loop = asyncio.new_event_loop()
        self._ready = threading.Event()

    def start(self):
        threading.Thread(target=self._run, daemon=True).start()
        self._ready.wait()
        return self

    def stop(self):
        self._loop.call_soon_threadsafe(self._loop.stop)

    def _run(self):
        asyncio.set_event_loop(self._loop)
        server = self._loop.run_until_complete(asyncio.start_server(self._control, "127.0.0.1", 0))
        self.port = server.sockets[0].getsockname()[1]
        self._ready.set()
        self._loop.run_forever()

    async def _pipe(self, reader, writer, rewrite=None):
        """Copies reader to writer, each piece half a round trip after it came (in order)."""
        queue = asyncio.Queue()

        async def send():
            while True:
                due, data = await queue.get()
                if data is None:
                    break
                wait = due - time.monotonic()
                if wait > 0:
                    await asyncio.sleep(wait)
                writer.write(data)
                await writer.drain()
            try:
                writer.write_eof()
            except (OSError, RuntimeError):
                pass

        sender = asyncio.ensure_future(send())
        try:
            while True:
                data = await (reader.readline() if rewrite else reader.read(65536))
                if not data:
                    break
                extra = 0.0
                if rewrite:
                    data, extra = await rewrite(data)
                queue.put_nowait((time.monotonic() + self.half + extra, data))
        except (OSError, asyncio.IncompleteReadError):
            pass
        queue.put_nowait((0, None))
        try:
            await sender
        except OSError:
            pass
        writer.close()

    async def _data_port(self, server_data_port):
        """A port of the proxy's that leads to the server's data port, for one connection."""
        async def one(client_reader, client_writer):
            server.close()
            try:
                server_reader, server_writer = await asyncio.open_connection(self.host, server_data_port)
            except OSError:
                client_writer.close()
                return
            await asyncio.gather(self._pipe(client_reader, server_writer), self._pipe(server_reader, client_writer))

        server = await asyncio.start_server(one, "127.0.0.1", 0)
        return server.sockets[0].getsockname()[1]

    async def _control(self, client_reader, client_writer):
        self.connections += 1
        self._open += 1
        self.most_at_once = max(self.most_at_once, self._open)
        try:
            server_reader, server_writer = await asyncio.open_connection(self.host, self.server_port)
        except OSError:
            client_writer.close()
            self._open -= 1
            return

        async def rewrite(line):
            found = EPSV.match(line)
            if found:
                port = await self._data_port(int(found.group(1)))
                return b"229 Entering Extended Passive Mode (|||%d|)\r\n" % port, 2 * self.half
            found = PASV.match(line)
            if found:
                port = await self._data_port(int(found.group(5)) * 256 + int(found.group(6)))
                return b"227 Entering Passive Mode (127,0,0,1,%d,%d).\r\n" % (port // 256, port % 256), 2 * self.half
            return line, 0.0

        await asyncio.gather(self._pipe(client_reader, server_writer), self._pipe(server_reader, client_writer, rewrite))
        self._open -= 1
