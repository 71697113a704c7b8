#!/usr/bin/env python3
"""Prints one table of our workload timings next to the peers' from the same run.

Arguments: our rows (workload, form, peak KiB, bytes, check), the folder with
hyperfine's JSON files, and the peers' markdown table (may be empty).
"""
import json
import sys

# Where our calls cannot express a workload exactly as described.
NOTES = {
    "w1": "",
    "w2": "colours as integers 0..255; stroked shapes re-issue dash and width",
    "w3": "late bound: GetTextBoxLines results printed, positions precomputed",
    "w4": "both pictures re-encoded as JPEG q75",
    "w5": "/XYZ destinations instead of /Fit; chapters open",
}


def read_ours(rows_path, folder):
    ours = {}
    for line in open(rows_path):
        workload, form, rss, size, check = line.rstrip("\n").split("\t")
        results = {r["command"]: r for r in json.load(open(f"{folder}/hf-{workload}.json"))["results"]}
        ours[(workload, form)] = (results[form]["median"], int(rss) / 1024, int(size), check)
    return ours


def read_peers(path):
    """Rows of run-peers.sh's table: workload -> [(peer, median s, peak MiB)]."""
    peers = {}
    for line in open(path):
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if len(cells) < 5 or not cells[0].startswith("w"):
            continue
        try:
            median, rss = float(cells[2]), float(cells[4])
        except ValueError:
            continue
        if cells[1].endswith("gen-only"):
            continue
        peers.setdefault(cells[0], []).append((cells[1], median, rss))
    return peers


def main():
    ours = read_ours(sys.argv[1], sys.argv[2])
    peers = read_peers(sys.argv[3]) if len(sys.argv) > 3 else {}
    header = ("workload", "ours early s", "ours late s", "late/early", "peak MiB (early/late)", "bytes",
              "check", "fastest peer", "peer s", "peer MiB", "peer/ours", "notes")
    table = []
    for workload in dict.fromkeys(w for w, _ in ours):
        early, late = ours[(workload, "early")], ours[(workload, "late")]
        base = workload.split("-")[0]
        rivals = peers.get(workload, [])
        best = min(rivals, key=lambda r: r[1]) if rivals else None
        table.append((
            workload, f"{early[0]:.3f}", f"{late[0]:.3f}", f"{late[0] / early[0]:.2f}",
            f"{early[1]:.1f} / {late[1]:.1f}", str(early[2]),
            early[3] if early[3] == late[3] else f"{early[3]} / {late[3]}",
            best[0] if best else "-", f"{best[1]:.3f}" if best else "-", f"{best[2]:.1f}" if best else "-",
            f"{best[1] / early[0]:.2f}" if best else "-", NOTES.get(base, ""),
        ))
    widths = [max(len(str(row[i])) for row in table + [header]) for i in range(len(header))]
    line = lambda row: "| " + " | ".join(str(c).ljust(widths[i]) for i, c in enumerate(row)) + " |"
    print(line(header))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for row in table:
        print(line(row))
    print_floor(sys.argv[4] if len(sys.argv) > 4 else "", sys.argv[2])
    if peers:
        print()
        print("Peers, same run:")
        print(open(sys.argv[3]).read().rstrip())


def print_floor(path, folder):
    """W1 against the compression floor of its own page content."""
    try:
        text = open(path).read()
        cores = {r["command"]: r["median"] for r in json.load(open(f"{folder}/hf-w1-cores.json"))["results"]}
    except (OSError, ValueError):
        return
    values = dict(tok.split("=") for line in text.splitlines() for tok in line.split()[1:])
    floor = float(values["libdeflate6_s"])
    print()
    print(f"W1 compression floor (our {values['streams']} page streams, {values['raw_bytes']} bytes, "
          f"libdeflate level 6 on one thread): {floor:.4f} s")
    for name in ("one-core", "all-cores"):
        print(f"  W1 early, {name}: {cores[name]:.4f} s = {cores[name] / floor:.2f} x the floor")


if __name__ == "__main__":
    main()
