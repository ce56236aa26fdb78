#!/usr/bin/env python3
"""Checks under strace that zerofill's write loop is nothing but block writes.

Usage: check_syscalls.py PROGRAM [SIZE_IN_KB ...]   (default: all six sizes)

For each size it runs PROGRAM on a fresh file under `strace -f` and checks:
  - the run ends with status 0, prints "Done." and leaves a file of zeros of
    the right length;
  - every write to the file's descriptor is one write() of 4096 bytes that
    wrote 4096 bytes, one per block, and there is no other kind of write
    (pwrite, writev, sendfile, ...) to it;
  - between the first and the last block write there is no other system
    call at all: no allocation (brk, mmap, ...), no output to stdout or
    stderr, nothing else.
Exits 0 when all sizes pass, 1 on a violation, 2 when it cannot run.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

BLOCK = 4096
SIZES_KB = (128, 256, 512, 1024, 2048, 4096)

# Calls that write data to the descriptor given by their argument at `index`.
WRITE_CALLS = {
    "write": 0, "pwrite64": 0, "writev": 0, "pwritev": 0, "pwritev2": 0,
    "sendfile": 0, "sendfile64": 0, "copy_file_range": 2, "splice": 2,
    "vmsplice": 0, "fallocate": 0,
}
ALLOCATION_CALLS = {"brk", "mmap", "mmap2", "mremap", "munmap", "madvise",
                    "mprotect"}
DUP_CALLS = {"dup", "dup2", "dup3"}

LINE = re.compile(
    r"^(?:\[pid\s+\d+\]\s+|\d+\s+)?(?P<name>\w+)\((?P<args>.*)\)"
    r"\s+=\s+(?P<ret>-?\d+|0x[0-9a-f]+|\?)")
UNFINISHED = re.compile(r"^(?:\[pid\s+(\d+)\]\s+|(\d+)\s+)?(.*) <unfinished \.\.\.>$")
RESUMED = re.compile(r"^(?:\[pid\s+(\d+)\]\s+|(\d+)\s+)?<\.\.\. \w+ resumed>(.*)$")


def join_interrupted(lines):
    """Puts calls that strace split across other processes' lines together."""
    pending = {}
    for line in lines:
        m = UNFINISHED.match(line)
        if m:
            pending[m.group(1) or m.group(2) or ""] = m.group(3)
            continue
        m = RESUMED.match(line)
        if m:
            pid = m.group(1) or m.group(2) or ""
            yield pending.pop(pid, "") + m.group(3)
            continue
        yield line


def split_args(args):
    """Top-level comma split that leaves strings, arrays and structs whole."""
    parts, depth, quoted, escaped, start = [], 0, False, False, 0
    for i, c in enumerate(args):
        if quoted:
            if escaped:
                escaped = False
            elif c == "\\":
                escaped = True
            elif c == '"':
                quoted = False
        elif c == '"':
            quoted = True
        elif c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
        elif c == "," and depth == 0:
            parts.append(args[start:i].strip())
            start = i + 1
    parts.append(args[start:].strip())
    return parts


def parse(trace_text):
    """The trace as (name, args, return value text, line) tuples."""
    calls = []
    for line in join_interrupted(trace_text.splitlines()):
        m = LINE.match(line.strip())
        if m:
            calls.append((m.group("name"), split_args(m.group("args")),
                          m.group("ret"), line.strip()))
    return calls


def as_int(text):
    try:
        return int(text, 0)
    except ValueError:
        return None


def check_trace(trace_text, path, blocks):
    """Violations found in one strace log of a run that wrote `path`."""
    calls = parse(trace_text)
    live = set()           # descriptors open on the file at this point
    block_writes = []      # indexes into calls
    problems = []
    quoted_path = '"%s"' % path
    for i, (name, args, ret, line) in enumerate(calls):
        fd = as_int(args[0]) if args else None
        result = as_int(ret)
        if name in ("open", "openat", "creat") and quoted_path in args:
            if result is not None and result >= 0:
                live.add(result)
        elif name == "close" and fd in live:
            live.discard(fd)
        elif (name in DUP_CALLS or (name == "fcntl" and len(args) > 1 and
                                    args[1].startswith("F_DUPFD"))):
            if fd in live and result is not None and result >= 0:
                live.add(result)
        elif name in WRITE_CALLS:
            target = WRITE_CALLS[name]
            target_fd = as_int(args[target]) if len(args) > target else None
            if target_fd not in live:
                continue
            if (name == "write" and as_int(args[-1]) == BLOCK and
                    result == BLOCK):
                block_writes.append(i)
            else:
                problems.append("a write to the file that is not one whole "
                                "4096-byte write(): " + line)

    if not block_writes:
        problems.append("no 4096-byte block write to %s at all" % path)
        return problems
    if len(block_writes) != blocks:
        problems.append("%d block writes, expected one per block: %d"
                        % (len(block_writes), blocks))

    first, last = block_writes[0], block_writes[-1]
    in_loop = set(block_writes)
    for i in range(first, last + 1):
        if i in in_loop:
            continue
        name, args, _, line = calls[i]
        if name in ALLOCATION_CALLS:
            kind = "allocation"
        elif name in WRITE_CALLS and args and args[0] in ("1", "2"):
            kind = "output"
        else:
            kind = "another system call"
        problems.append("%s between the first and the last block write: %s"
                        % (kind, line))
    return problems


def run_one(program, size_kb, work_dir):
    """Violations of one traced run of `program` writing `size_kb`."""
    path = os.path.join(work_dir, "out-%d.bin" % size_kb)
    log = os.path.join(work_dir, "trace-%d.log" % size_kb)
    blocks = size_kb // 2
    run = subprocess.run(
        ["strace", "-f", "-qq", "-o", log, "-e", "trace=all",
         program, path, str(size_kb)],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False)
    problems = []
    if run.returncode != 0:
        problems.append("exit status %d, expected 0 (stderr: %s)"
                        % (run.returncode, run.stderr.decode(errors="replace")
                           .strip()))
    if run.stdout != b"Done.":
        problems.append("printed %r, expected 'Done.'" % run.stdout)
    if os.path.exists(path):
        with open(path, "rb") as f:
            data = f.read()
        if len(data) != blocks * BLOCK:
            problems.append("file has %d bytes, expected %d"
                            % (len(data), blocks * BLOCK))
        if data.count(0) != len(data):
            problems.append("file holds bytes other than zero")
    else:
        problems.append("no file was created")
    with open(log, encoding="utf-8", errors="replace") as f:
        problems += check_trace(f.read(), path, blocks)
    return problems


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    program = os.path.abspath(argv[1])
    try:
        sizes = [int(a) for a in argv[2:]] or list(SIZES_KB)
    except ValueError:
        print("check_syscalls: sizes must be numbers", file=sys.stderr)
        return 2
    if any(s not in SIZES_KB for s in sizes):
        print("check_syscalls: sizes must be among %s" % (SIZES_KB,),
              file=sys.stderr)
        return 2
    if shutil.which("strace") is None:
        print("check_syscalls: strace not found (Debian: apt-get install "
              "strace)", file=sys.stderr)
        return 2
    if not os.access(program, os.X_OK):
        print("check_syscalls: %s is not an executable" % program,
              file=sys.stderr)
        return 2

    failed = False
    with tempfile.TemporaryDirectory(prefix="zerofill-syscalls-") as work:
        for size in sizes:
            problems = run_one(program, size, work)
            if problems:
                failed = True
                print("FAIL %d KiB (%d blocks):" % (size, size // 2))
                for p in problems[:20]:
                    print("  - " + p)
                if len(problems) > 20:
                    print("  - ... and %d more" % (len(problems) - 20))
            else:
                print("ok   %d KiB: %d writes of 4096 bytes, nothing else "
                      "in the loop" % (size, size // 2))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
