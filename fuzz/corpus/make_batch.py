#!/usr/bin/env python3
"""Writes the seeds of the batch's differential fuzzer: fuzz_batch.cpp decodes any bytes into host
actions, so the seeds are fixed pseudo-random inputs of a few lengths, each ending its session with
the check against a fresh batch. The other files in batch/ are inputs the fuzzer reduced from its
findings (a widget hidden right after a layout; a caption read between its texels in a turned view),
kept so that every run tries them first."""
import os
import random

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "batch")
os.makedirs(OUT, exist_ok=True)
rng = random.Random(22)
for i, size in enumerate([16, 64, 128, 256, 512, 1024]):
    with open(os.path.join(OUT, "session_%d" % i), "wb") as f:
        f.write(bytes(rng.randrange(256) for _ in range(size)))
