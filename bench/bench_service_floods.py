#!/usr/bin/env python3
"""orvaned under the floods a hostile local user can make, on loopback: 9 simulated clocks with
metrics, shares and daily logs. Prints the figures: the answer to 1,000 ranges, a scrape's time
and the service's RSS, descriptors, threads and CPU under 500 slow-header connections (from one
address, then from 500), the log lines and CPU of 1,000 connect/close loops on a share, and the
CPU while the share is out of descriptors.

    bench/bench_service_floods.py build/default/src/daemon/orvaned
"""
import os
import socket
import subprocess
import sys
import tempfile
import time


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Service:
    def __init__(self, program, scratch):
        self.metrics, self.share = free_port(), free_port()
        self.log = open(os.path.join(scratch, "stderr"), "w+")
        self.process = subprocess.Popen(
            [program, "--simulate=9", "--metrics-listen", str(self.metrics),
             "--ubx-listen", str(self.share), "--log-dir", scratch],
            stderr=self.log)
        self.pid = self.process.pid

    def cpu(self):
        fields = open(f"/proc/{self.pid}/stat").read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def status(self, name):
        for line in open(f"/proc/{self.pid}/status"):
            if line.startswith(name + ":"):
                return int(line.split()[1])

    def descriptors(self):
        return len(os.listdir(f"/proc/{self.pid}/fd"))

    def log_lines(self):
        self.log.flush()
        with open(self.log.name) as f:
            return f.read().count("\n")

    def stop(self):
        self.process.terminate()
        self.process.wait(10)


def request(port, text, source="127.0.0.1", timeout=15):
    with socket.create_connection(("127.0.0.1", port), timeout, (source, 0)) as s:
        s.sendall(text.encode())
        answer = b""
        while chunk := s.recv(65536):
            answer += chunk
        return answer


SCRAPE = "GET /metrics HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"


def timed_scrape(port):
    start = time.monotonic()
    try:
        ok = request(port, SCRAPE).startswith(b"HTTP/1.1 200")
    except OSError:
        ok = False
    return ok, time.monotonic() - start


def slow_headers(service, sources, label):
    clients, peak = [], {"rss": 0, "fds": 0, "threads": 0}
    cpu_before = service.cpu()
    for i in range(500):
        try:
            c = socket.create_connection(("127.0.0.1", service.metrics), 5,
                                         (sources[i % len(sources)], 0))
            c.sendall(b"GET /metrics HTTP/1.1\r\n")
            clients.append(c)
        except OSError:
            pass
    results = []
    for second in range(12):  # a header byte every 2 s for 12 s, a scrape every 3 s
        if second % 2 == 0:
            for c in clients:
                try:
                    c.send(b"X")
                except OSError:
                    pass
        if second % 3 == 1:
            results.append(timed_scrape(service.metrics))
        peak["rss"] = max(peak["rss"], service.status("VmRSS"))
        peak["fds"] = max(peak["fds"], service.descriptors())
        peak["threads"] = max(peak["threads"], service.status("Threads"))
        time.sleep(1)
    for c in clients:
        c.close()
    times = ", ".join(f"{'ok' if ok else 'FAILED'} {t * 1000:.0f} ms" for ok, t in results)
    print(f"500 slow-header connections {label}: scrapes from 127.0.0.1: {times}; "
          f"peak RSS {peak['rss']} KiB, descriptors {peak['fds']}, threads {peak['threads']}, "
          f"CPU {service.cpu() - cpu_before:.2f} s over 12 s")


def main():
    scratch = tempfile.mkdtemp()
    service = Service(sys.argv[1], scratch)
    try:
        for _ in range(100):
            if timed_scrape(service.metrics)[0]:
                break
            time.sleep(0.1)
        time.sleep(3)  # the clocks' first fixes
        page = request(service.metrics, SCRAPE)
        ranges = "bytes=0-" + ",0-" * 999
        ranged = request(service.metrics, SCRAPE.replace("\r\n\r\n", f"\r\nRange: {ranges}\r\n\r\n"))
        print(f"1,000 ranges: {len(ranged)} bytes answered, status {ranged.split(b' ')[1].decode()}"
              f" (a plain scrape: {len(page)} bytes)")
        print(f"idle: RSS {service.status('VmRSS')} KiB, descriptors {service.descriptors()}, "
              f"threads {service.status('Threads')}")

        slow_headers(service, ["127.0.0.2"], "from one address")
        slow_headers(service, [f"127.0.{1 + i // 250}.{1 + i % 250}" for i in range(500)],
                     "from 500 addresses")

        lines, cpu = service.log_lines(), service.cpu()
        for _ in range(1000):
            socket.create_connection(("127.0.0.1", service.share), 5).close()
        time.sleep(1)
        print(f"1,000 connect/close loops on a share: {service.log_lines() - lines} log lines, "
              f"CPU {service.cpu() - cpu:.2f} s")

        limit = service.descriptors() + 4
        subprocess.run(["prlimit", f"--pid={service.pid}", f"--nofile={limit}:{limit}"], check=True)
        held = [socket.create_connection(("127.0.0.1", service.share), 5) for _ in range(12)]
        cpu = service.cpu()
        time.sleep(5)
        print(f"share out of descriptors (RLIMIT_NOFILE {limit}, 12 clients): CPU "
              f"{service.cpu() - cpu:.2f} s over 5 s; final RSS {service.status('VmRSS')} KiB, "
              f"peak {service.status('VmHWM')} KiB")
        for c in held:
            c.close()
    finally:
        service.stop()


main()
