#!/usr/bin/env python3
# Draws a small PNG from results.json: the median time of each measurement with its min-max range,
# one panel per scenario.
#   chart.py results.json chart.png
import json
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402


def main():
    doc = json.load(open(sys.argv[1]))
    results = doc["results"]
    scenarios = sorted({r["scenario"] for r in results})
    fig, axes = plt.subplots(len(scenarios), 1, figsize=(8, 1.0 + 0.42 * len(results) + 0.5 * len(scenarios)),
                             squeeze=False)
    for ax, s in zip(axes[:, 0], scenarios):
        rows = [r for r in results if r["scenario"] == s]
        names = [r["name"] for r in rows]
        med = [r["median"] for r in rows]
        err = [[r["median"] - r["min"] for r in rows], [r["max"] - r["median"] for r in rows]]
        ax.barh(range(len(rows)), med, xerr=err, color="#4c72b0", capsize=3)
        ax.set_yticks(range(len(rows)))
        ax.set_yticklabels(names, fontsize=7)
        ax.invert_yaxis()
        ax.set_title(s, fontsize=8, loc="left")
        ax.tick_params(axis="x", labelsize=7)
        ax.set_xlabel("seconds (median, min-max)", fontsize=7)
    fig.suptitle("Kestrel benchmarks %s (%s)%s" % (doc.get("when", ""), doc.get("commit", ""),
                                                   " quick" if doc.get("quick") else ""), fontsize=9)
    fig.tight_layout()
    fig.savefig(sys.argv[2], dpi=90)


if __name__ == "__main__":
    main()
