#!/usr/bin/env python3
"""PSS of some processes as if only their session ran on the machine.

The kernel's PSS divides a shared page among every process that maps it,
machine-wide: the same client measures tens of megabytes smaller while other
people's programs happen to map the same libraries. Here a page is divided
only among the processes of one session (the X server, the bus, the client
and its helpers), so the figure does not depend on what else runs. Needs root
(page frame numbers in /proc/PID/pagemap).

usage: session_pss.py PID... --among PID...
prints "PID KB" for each PID before --among, then "total KB".
"""
import array
import sys

PRESENT = 1 << 63
PFN_MASK = (1 << 55) - 1
PAGE = 4096
CHUNK = 1 << 15  # pagemap entries read at once


def frames(pid):
    """Page frames the process maps, once per mapping of a page."""
    found = []
    try:
        smaps = open("/proc/%s/smaps" % pid)
        pagemap = open("/proc/%s/pagemap" % pid, "rb")
    except OSError:
        return found  # ended meanwhile
    with smaps, pagemap:
        start = end = 0
        for line in smaps:
            first = line.split(None, 1)[0]
            if "-" in first and not first.endswith(":"):
                start, end = (int(x, 16) for x in first.split("-"))
            elif first == "Rss:" and int(line.split()[1]) > 0:
                for page in range(start // PAGE, end // PAGE, CHUNK):
                    pagemap.seek(page * 8)
                    raw = pagemap.read(min(CHUNK, end // PAGE - page) * 8)
                    if any(raw):
                        found.extend(e & PFN_MASK for e in array.array("Q", raw) if e & PRESENT)
    return found


def main():
    split = sys.argv.index("--among")
    report, among = sys.argv[1:split], set(sys.argv[split + 1:]) | set(sys.argv[1:split])
    mapped = {pid: frames(pid) for pid in among}
    sharers = {}
    for pages in mapped.values():
        for pfn in pages:
            sharers[pfn] = sharers.get(pfn, 0) + 1
    total = 0.0
    for pid in report:
        kb = sum(PAGE / 1024 / sharers[pfn] for pfn in mapped[pid])
        total += kb
        print("%s %d" % (pid, kb))
    print("total %d" % total)


if __name__ == "__main__":
    main()
