"""Helpers for tests/e2e/metrics_prometheus.sh.

  metrics_probe.py free-port                      a free loopback TCP port
  metrics_probe.py get URL [METHOD]               "STATUS" then the body
  metrics_probe.py query PROMETHEUS EXPR          one "labels value" line per result
  metrics_probe.py set-temperature CAPTURE DEG    attribute 194's raw value in smart-data 0, or an NVMe log's temperature
  metrics_probe.py abuse HOST PORT                silent, huge, flooding and stray clients
  metrics_probe.py gzip URL                       the page asked for gzipped, checked against the plain one
"""
import http.client
import json
import select
import socket
import sys
import time
import urllib.error
import urllib.parse
import urllib.request
import zlib


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def get(url, method="GET", timeout=10):
    request = urllib.request.Request(url, method=method)
    try:
        with urllib.request.urlopen(request, timeout=timeout) as answer:
            return answer.status, answer.read().decode(), dict(answer.headers)
    except urllib.error.HTTPError as error:
        return error.code, error.read().decode(), dict(error.headers)


def query(prometheus, expr):
    status, body, _ = get(prometheus + "/api/v1/query?query=" + urllib.parse.quote(expr))
    lines = []
    for result in json.loads(body)["data"]["result"]:
        labels = ",".join(f'{k}="{v}"' for k, v in sorted(result["metric"].items()) if k not in ("job", "instance"))
        lines.append(f"{{{labels}}} {result['value'][1]}")
    return sorted(lines)


def set_temperature(path, degrees):
    lines = open(path).read().split("\n")
    nvme = "nvme-health-log" in lines
    start = lines.index("nvme-health-log" if nvme else "smart-data 0") + 1
    end = start
    while end < len(lines) and lines[end].strip() and not lines[end].strip()[0].isalpha():
        end += 1
    page = bytearray.fromhex("".join(lines[start:end]))
    if nvme:
        page[1:3] = (degrees + 273).to_bytes(2, "little")  # the composite temperature, in kelvin
    else:
        for entry in range(2, 2 + 30 * 12, 12):
            if page[entry] == 194:
                page[entry + 5] = degrees
    hexed = page.hex()
    lines[start:end] = ["  " + hexed[i:i + 64] for i in range(0, len(hexed), 64)]
    open(path, "w").write("\n".join(lines))


def connect(host, port):
    s = socket.create_connection((host, port), timeout=10)
    return s


def read_reply(s, limit=10.0):
    """The reply's status line, or 'closed' when the server just hung up."""
    s.settimeout(limit)
    data = b""
    try:
        while b"\r\n" not in data:
            chunk = s.recv(4096)
            if not chunk:
                break
            data += chunk
    except (ConnectionResetError, BrokenPipeError):
        pass
    return data.split(b"\r\n")[0].decode(errors="replace") or "closed"


def scrape_ok(host, port, timeout=10):
    try:
        status, body, _ = get(f"http://{host}:{port}/metrics", timeout=timeout)
        return status == 200 and "taruk_build_info" in body
    except OSError:
        return False


def abuse(host, port):
    """Each client in turn; prints what the server did and whether a scrape
    worked right after."""
    # A client that connects and says nothing is closed by the server.
    silent = connect(host, port)
    started = time.monotonic()
    print(f"silent client: {read_reply(silent, 30)} after {time.monotonic() - started:.1f} s;"
          f" scrape after: {scrape_ok(host, port)}")
    silent.close()

    # A request line of a megabyte: refused, not read into memory.
    huge = connect(host, port)
    try:
        huge.sendall(b"GET /" + b"a" * (1 << 20) + b" HTTP/1.1\r\nHost: x\r\n\r\n")
    except (ConnectionResetError, BrokenPipeError):
        pass
    print(f"1 MB request line: {read_reply(huge)}; scrape after: {scrape_ok(host, port)}")
    huge.close()

    # 500 connections at once (connecting without waiting, as a flood does),
    # held open while a scrape is tried, then let go.
    flood = []
    for _ in range(500):
        s = socket.socket()
        s.setblocking(False)
        s.connect_ex((host, port))
        flood.append(s)
    time.sleep(1)
    _, writable, _ = select.select([], flood, [], 0)
    during = scrape_ok(host, port, 3)
    for s in flood:
        s.close()
    started = time.monotonic()
    while not scrape_ok(host, port, 3) and time.monotonic() - started < 60:
        time.sleep(0.2)
    print(f"500 connections: {len(writable)} connected within 1 s; scrape while they are held: {during};"
          f" scrape works again {time.monotonic() - started:.1f} s after they closed")

    # Another path and another method.
    print(f"GET /: {get(f'http://{host}:{port}/')[0]}")
    status, _, headers = get(f"http://{host}:{port}/metrics", "POST")
    print(f"POST /metrics: {status} Allow: {headers.get('Allow')}")


def fetch(url, accept_encoding):
    """GET with exactly this Accept-Encoding header, or none at all."""
    parts = urllib.parse.urlsplit(url)
    connection = http.client.HTTPConnection(parts.hostname, parts.port, timeout=10)
    connection.putrequest("GET", parts.path, skip_accept_encoding=True)
    if accept_encoding is not None:
        connection.putheader("Accept-Encoding", accept_encoding)
    connection.endheaders()
    answer = connection.getresponse()
    body = answer.read()
    connection.close()
    return answer.status, answer.getheader("Content-Encoding"), answer.getheader("Vary"), body


def gzipped(url):
    """Asks as Prometheus does, as a client that names no coding and as one
    that refuses gzip, over two cycles: all must give the same page, the
    first as one whole gzip member, saying so."""
    # The cycle may publish a new page between the requests: compare them
    # without the two lines that change with every cycle.
    def steady(page):
        return [line for line in page.split(b"\n") if not line.startswith(b"taruk_last_cycle")]
    for round in range(2):
        status, encoding, vary, packed = fetch(url, "gzip")
        if status != 200 or encoding != "gzip" or vary != "Accept-Encoding":
            sys.exit(f"Accept-Encoding gzip: {status}, Content-Encoding {encoding}, Vary {vary}")
        unpacker = zlib.decompressobj(16 + zlib.MAX_WBITS)
        unpacked = unpacker.decompress(packed)
        if not unpacker.eof or unpacker.unused_data:
            sys.exit("the gzipped page is not one whole gzip member")
        for header in (None, "gzip;q=0", "identity"):
            status, encoding, _, plain = fetch(url, header)
            if status != 200 or encoding is not None:
                sys.exit(f"Accept-Encoding {header}: {status}, Content-Encoding {encoding}")
            if steady(unpacked) != steady(plain):
                sys.exit(f"the gzipped page is not the one for Accept-Encoding {header}")
        print(f"page {len(plain)} bytes, gzipped {len(packed)} bytes")
        time.sleep(1.2)  # the next cycle's page: its readings' gzip kept


def main():
    command, args = sys.argv[1], sys.argv[2:]
    if command == "free-port":
        print(free_port())
    elif command == "get":
        status, body, _ = get(args[0], *args[1:])
        print(status)
        sys.stdout.write(body)
    elif command == "query":
        print("\n".join(query(args[0], args[1])))
    elif command == "set-temperature":
        set_temperature(args[0], int(args[1]))
    elif command == "abuse":
        abuse(args[0], int(args[1]))
    elif command == "gzip":
        gzipped(args[0])


main()
