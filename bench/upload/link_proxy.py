#!/usr/bin/python3
"""A simulated internet link in user space, for the upload benchmark (this machine has no netem).

Every connection accepted on a listening address is forwarded to its target; each chunk read is
written out on the other side after the link's one-way delay, and no sooner than the link's
bandwidth allows. The bandwidth is one link per direction, shared by all connections: what one
connection sends delays what the others send, as on a real line. Bytes are forwarded as they are,
so FTP, FTPS and SSH all pass.

    link_proxy.py --forward 127.0.0.2:0=127.0.0.1:21 [--forward ...]
                  [--passive-ports 100] [--rtt-ms 40] [--up-mbit 20] [--down-mbit 100]
                  [--queue-ms 50]

A listening port of 0 takes a free one. --passive-ports N finds N consecutive ports free on
127.0.0.2 and forwards each to the same port on 127.0.0.1, where the FTP server opens its passive
data ports. --queue-ms is the longest a chunk waits for the line (the router's buffer): while the
line is that far behind, no connection is read, as a full buffer slows every sender. Once
listening, prints one line "LISTEN_PORT ..." (the ports of --forward in order) and one
"PASSIVE FIRST LAST", then runs until killed. --up is from the connecting side.
"""
import argparse
import asyncio
import random
import socket
import sys

CHUNK = 16 * 1024
# Bytes a connection may have read but not yet delivered, per direction: bounds the proxy's memory.
# Above what the line holds in flight (its queue and 20 ms of delay), so it never slows a transfer.
WINDOW = 1024 * 1024


class Link:
    """One direction of the line: a serial transmitter of `rate` bit/s followed by a fixed delay."""

    def __init__(self, mbit, delay, queue):
        self.rate = mbit * 1e6 if mbit > 0 else 0.0
        self.delay = delay
        self.queue = queue
        self.free_at = 0.0

    async def room(self):
        """Waits while the line's queue is full."""
        loop = asyncio.get_running_loop()
        while self.rate and (wait := self.free_at - self.queue - loop.time()) > 0:
            await asyncio.sleep(wait)

    def arrival(self, size):
        """When a chunk of `size` bytes handed to the link now reaches the far end."""
        now = asyncio.get_running_loop().time()
        if not self.rate:
            return now + self.delay
        self.free_at = max(now, self.free_at) + size * 8 / self.rate
        return self.free_at + self.delay


async def pump(reader, writer, link):
    """Forwards one direction until end of file, then half-closes the far side."""
    queue = asyncio.Queue()
    space = asyncio.Event()
    space.set()
    in_flight = 0

    async def deliver():
        nonlocal in_flight
        loop = asyncio.get_running_loop()
        try:
            while True:
                when, data = await queue.get()
                wait = when - loop.time()
                if wait > 0:
                    await asyncio.sleep(wait)
                if data is None:
                    if writer.can_write_eof():
                        writer.write_eof()
                    return
                writer.write(data)
                await writer.drain()
                in_flight -= len(data)
                if in_flight < WINDOW:
                    space.set()
        finally:
            space.set()  # a reader waiting for space learns that delivery ended, however it ended

    delivery = asyncio.create_task(deliver())
    try:
        while True:
            await space.wait()
            if delivery.done():
                break
            await link.room()
            data = await reader.read(CHUNK)
            if not data:
                queue.put_nowait((link.arrival(0), None))
                break
            in_flight += len(data)
            if in_flight >= WINDOW:
                space.clear()
            queue.put_nowait((link.arrival(len(data)), data))
        await delivery
    finally:
        delivery.cancel()


# The connections being forwarded. The event loop holds tasks only weakly, and a stream opened to
# the target holds its reader weakly too: once the client's side is closed, nothing else would
# keep a connection that still waits for the target to finish.
LIVE = set()


async def serve(client_reader, client_writer, target, up, down):
    LIVE.add(asyncio.current_task())
    try:
        await forward(client_reader, client_writer, target, up, down)
    finally:
        LIVE.discard(asyncio.current_task())


async def forward(client_reader, client_writer, target, up, down):
    try:
        server_reader, server_writer = await asyncio.open_connection(*target)
    except OSError:
        client_writer.close()
        return
    pumps = [asyncio.create_task(pump(client_reader, server_writer, up)),
             asyncio.create_task(pump(server_reader, client_writer, down))]
    try:
        # Both directions end at their end of file; a broken one (reset, refused write) ends both.
        await asyncio.wait(pumps, return_when=asyncio.FIRST_EXCEPTION)
    finally:
        for task in pumps:
            task.cancel()
        for writer in (client_writer, server_writer):
            writer.close()
        await asyncio.gather(*pumps, return_exceptions=True)


def address(text):
    host, port = text.rsplit(":", 1)
    return host, int(port)


def free_range(host, count):
    """Sockets bound to `count` consecutive free ports on `host`."""
    for _ in range(200):
        first = random.randrange(20000, 60000 - count)
        sockets = []
        try:
            for port in range(first, first + count):
                s = socket.socket()
                s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
                sockets.append(s)
                s.bind((host, port))
            return sockets
        except OSError:
            for s in sockets:
                s.close()
    raise SystemExit(f"no {count} consecutive free ports on {host}")


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--forward", action="append", default=[], help="LISTEN_HOST:PORT=TARGET_HOST:PORT")
    parser.add_argument("--passive-ports", type=int, default=0)
    parser.add_argument("--rtt-ms", type=float, default=40.0)
    parser.add_argument("--up-mbit", type=float, default=20.0)
    parser.add_argument("--down-mbit", type=float, default=100.0)
    parser.add_argument("--queue-ms", type=float, default=50.0)
    options = parser.parse_args()

    delay, queue = options.rtt_ms / 2000.0, options.queue_ms / 1000.0
    up, down = Link(options.up_mbit, delay, queue), Link(options.down_mbit, delay, queue)

    def handler(target):
        return lambda r, w: serve(r, w, target, up, down)

    servers, ports = [], []
    for spec in options.forward:
        listen, target = spec.split("=")
        host, port = address(listen)
        server = await asyncio.start_server(handler(address(target)), host, port)
        servers.append(server)
        ports.append(server.sockets[0].getsockname()[1])
    first = last = 0
    if options.passive_ports:
        bound = free_range("127.0.0.2", options.passive_ports)
        for s in bound:
            port = s.getsockname()[1]
            servers.append(await asyncio.start_server(handler(("127.0.0.1", port)), sock=s))
        first, last = bound[0].getsockname()[1], bound[-1].getsockname()[1]
    print("LISTEN_PORT", *ports, flush=True)
    print("PASSIVE", first, last, flush=True)
    await asyncio.Event().wait()


if __name__ == "__main__":
    try:
        asyncio.run(main())
    except KeyboardInterrupt:
        sys.exit(0)
