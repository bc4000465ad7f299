"""Out of the way without deleting: what a benchmark no longer needs is moved
into a trash folder beside it and deleted only when the benchmark ends.

On an ext4 file system without a journal (the disks of these machines), the
kernel does not reuse an inode for 60 seconds after its file was deleted:
every file created in that time first scans past each recently freed inode
of its block group. A run right after 10,000 deletions took 2.5-3 times as
long as the same run into a fresh folder, which says nothing about the
program measured. So no copy is deleted between timed runs; when the trash
would fill the disk it is emptied and the benchmark waits until the kernel
lets the freed inodes go again.
"""
import atexit
import os
import shutil
import subprocess
import time

RECENTLY_DELETED_S = 65  # the kernel's 60 seconds, and a margin
KEEP_FREE = 12 << 30     # bytes left free on the disk before the trash is emptied

_trash = []  # trash folders made by this process


def _trash_folder(path):
    folder = os.path.join(os.path.dirname(os.path.abspath(path)), ".bench-trash-%d" % os.getpid())
    if folder not in _trash:
        os.makedirs(folder, exist_ok=True)
        _trash.append(folder)
    return folder


def discard(path):
    """Moves path (a file or a folder, if it exists) out of the way."""
    if not os.path.lexists(path):
        return
    folder = _trash_folder(path)
    os.rename(path, os.path.join(folder, "%d-%s" % (time.monotonic_ns(), os.path.basename(path))))
    if shutil.disk_usage(folder).free < KEEP_FREE:
        empty(wait=True)


def empty(wait=False):
    """Deletes everything discarded; with wait, also waits until files made
    next are no slower for it."""
    for folder in _trash:
        shutil.rmtree(folder, ignore_errors=True)
    _trash.clear()
    subprocess.run(["sync"], check=True)
    if wait:
        time.sleep(RECENTLY_DELETED_S)


atexit.register(empty)
