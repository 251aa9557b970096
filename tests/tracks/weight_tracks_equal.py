#!/usr/bin/env python3
"""Whether a bigWig and a bedGraph give the same weight to every base: the
engine writes the weight tracks as bigWig where it has libBigWig and as
bedGraph (four decimals) where it has not, the Windows build.

usage: weight_tracks_equal.py TRACK.bw TRACK.bedGraph   (exit 0: equal)"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import track_clients as tc  # noqa: E402


def bedgraph_bases(path):
    bases = {}
    with open(path) as f:
        for line in f:
            if line.startswith(("track", "#", "browser")) or not line.strip():
                continue
            chrom, start, end, value = line.split("\t")
            for p in range(int(start), int(end)):
                bases[(chrom, p)] = float(value)
    return bases


def bigwig_bases(path):
    bases = {}
    for chrom, intervals in tc.bigwig_intervals(path).items():
        for start, end, value in intervals:
            for p in range(start, end):
                bases[(chrom, p)] = value
    return bases


def main():
    tc.reexec_for_pybigwig()
    bw, bedgraph = bigwig_bases(sys.argv[1]), bedgraph_bases(sys.argv[2])
    if bw.keys() != bedgraph.keys():
        print("the tracks weigh other bases: %d and %d" % (len(bw), len(bedgraph)))
        return 1
    differ = [k for k in bw if abs(bw[k] - bedgraph[k]) > 5e-5 * max(1.0, abs(bw[k]))]
    if differ:
        print("%d bases differ, first %s:%d: %s and %s" % (len(differ), differ[0][0], differ[0][1], bw[differ[0]],
                                                          bedgraph[differ[0]]))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
