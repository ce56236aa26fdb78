#!/usr/bin/env python3
"""The syscall check must reject the faults it exists for: each case below
is a trace of a 4-block run with one fault put into it."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_syscalls import check_trace  # noqa: E402

PATH = "/tmp/w/out.bin"
BLOCKS = 4
OPEN = ('101 openat(AT_FDCWD, "%s", O_WRONLY|O_CREAT|O_NOCTTY|O_NONBLOCK|'
        'O_CLOEXEC, 0666) = 3' % PATH)
BLOCK_WRITE = '101 write(3, "\\0\\0\\0\\0"..., 4096) = 4096'
HEAD = [
    "101 brk(NULL) = 0x55d0a000",
    OPEN,
    "101 flock(3, LOCK_EX|LOCK_NB) = 0",
    "101 ftruncate(3, 0) = 0",
    "101 brk(0x55d2b000) = 0x55d2b000",
]
TAIL = [
    "101 close(3) = 0",
    '101 write(1, "Done.", 5) = 5',
    "101 exit_group(0) = ?",
    "101 +++ exited with 0 +++",
]


def trace(loop):
    return "\n".join(HEAD + loop + TAIL) + "\n"


def with_extra(after_block, line):
    loop = [BLOCK_WRITE] * BLOCKS
    loop.insert(after_block, line)
    return trace(loop)


class CheckTrace(unittest.TestCase):
    def test_clean_runs_pass(self):
        cases = {
            "plain": trace([BLOCK_WRITE] * BLOCKS),
            # Allocation and output are fine before and after the loop.
            "work around the loop": trace(
                ["101 mmap(NULL, 8192, PROT_READ|PROT_WRITE, MAP_PRIVATE|"
                 "MAP_ANONYMOUS, -1, 0) = 0x7f00"] + [BLOCK_WRITE] * BLOCKS +
                ['101 write(2, "x", 1) = 1', "101 brk(0x55d4c000) = 0x55d4c000"]),
            "a write strace split in two": trace(
                [BLOCK_WRITE, '101 write(3, "\\0\\0"..., 4096 <unfinished ...>',
                 "101 <... write resumed>) = 4096"] + [BLOCK_WRITE] * 2),
        }
        for name, text in cases.items():
            with self.subTest(name):
                self.assertEqual(check_trace(text, PATH, BLOCKS), [])

    def test_faults_are_reported(self):
        # (case, trace, words the report must contain)
        cases = [
            ("a block short", trace([BLOCK_WRITE] * (BLOCKS - 1)),
             "3 block writes"),
            ("a block too many", trace([BLOCK_WRITE] * (BLOCKS + 1)),
             "5 block writes"),
            ("no writes", trace([]), "no 4096-byte block write"),
            ("short write retried",
             trace([BLOCK_WRITE] * 3 +
                   ['101 write(3, "\\0\\0"..., 4096) = 1000',
                    '101 write(3, "\\0\\0"..., 3096) = 3096']),
             "not one whole 4096-byte write"),
            ("wrong block size",
             trace([BLOCK_WRITE] * 3 + ['101 write(3, "\\0"..., 8192) = 8192']),
             "not one whole 4096-byte write"),
            ("pwrite to the file",
             with_extra(2, '101 pwrite64(3, "\\0"..., 4096, 8192) = 4096'),
             "not one whole 4096-byte write"),
            ("writev to the file",
             with_extra(2, '101 writev(3, [{iov_base="\\0", iov_len=4096}], 1)'
                        ' = 4096'),
             "not one whole 4096-byte write"),
            ("write through a duplicate",
             with_extra(1, "101 dup(3) = 4").replace(
                 "101 close(3) = 0",
                 '101 write(4, "x", 1) = 1\n101 close(3) = 0'),
             "not one whole 4096-byte write"),
            ("brk in the loop", with_extra(2, "101 brk(0x55d4c000) = 0x55d4c000"),
             "allocation between"),
            ("mmap in the loop",
             with_extra(3, "101 mmap(NULL, 4096, PROT_READ|PROT_WRITE, "
                        "MAP_PRIVATE|MAP_ANONYMOUS, -1, 0) = 0x7f00"),
             "allocation between"),
            ("progress on stdout",
             with_extra(1, '101 write(1, "1/4\\n", 4) = 4'), "output between"),
            ("message on stderr",
             with_extra(1, '101 write(2, "w\\n", 2) = 2'), "output between"),
            ("seek in the loop", with_extra(2, "101 lseek(3, 0, SEEK_CUR) = 8192"),
             "another system call between"),
        ]
        for name, text, words in cases:
            with self.subTest(name):
                problems = check_trace(text, PATH, BLOCKS)
                self.assertTrue(any(words in p for p in problems),
                                "%r not in %r" % (words, problems))

    def test_descriptor_reused_for_another_file_is_not_the_file(self):
        # After the close, fd 3 is someone else's: its writes are not ours.
        text = trace([BLOCK_WRITE] * BLOCKS).replace(
            "101 exit_group(0) = ?",
            '101 openat(AT_FDCWD, "/tmp/w/log", O_WRONLY) = 3\n'
            '101 write(3, "log", 3) = 3\n101 exit_group(0) = ?')
        self.assertEqual(check_trace(text, PATH, BLOCKS), [])


if __name__ == "__main__":
    unittest.main()
