#!/usr/bin/env python3
# Runs every benchmark scenario against one build and writes the table, results.json and chart.png.
# Called by bench/run.sh with the Wine environment already up (kestrel_wine_up).
#
#   driver.py --build DIR --out DIR [--quick] [--runs N] [--only S1,S2,...] [--s1-beside DIR]
# --s1-beside runs S1 once more with the programs of a second build (the other architecture), in the
# same Wine environment, each measured against its own baseline, and gives the time ratio of the two.
import argparse
import glob
import json
import os
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(HERE)
LOG_IN = bytes.fromhex("93e082cc")  # "内の" in Shift_JIS: ends the path of a log line


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def hexarg(data):
    return "hex:" + data.hex()


class Bench:
    def __init__(self, args, build=None):
        self.build = os.path.abspath(build or args.build)
        self.arch = build_arch(self.build)
        self.label = ""
        self.out = os.path.abspath(args.out)
        self.quick = args.quick
        self.runs = args.runs
        self.bin = os.path.join(self.build, "bin")
        self.wine = os.path.join(self.build, "wine-run")
        self.corpus = os.path.join(self.out, "corpus")
        self.work = os.path.join(self.out, "work")
        self.results = []
        self.words = {}
        self.manifest = []

    # ----- helpers -------------------------------------------------------------------------
    def word(self, key, enc="sjis"):
        return bytes.fromhex(self.words[key][enc])

    def fresh(self, name):
        """A fresh copy of a pristine corpus folder under work/, returned as a path."""
        dst = os.path.join(self.work, name)
        if os.path.exists(dst):
            shutil.rmtree(dst)
        subprocess.run(["cp", "-a", os.path.join(self.corpus, name), dst], check=True)
        return dst

    def record(self, scenario, name, times, **extra):
        times = sorted(times)
        name = self.label + name
        entry = {"scenario": scenario, "arch": self.arch, "name": name, "runs": len(times), "min": times[0],
                 "median": statistics.median(times), "max": times[-1]}
        entry.update(extra)
        self.results.append(entry)
        print("  %-46s min %8.3f s  median %8.3f s  max %8.3f s" % (name, entry["min"], entry["median"], entry["max"]),
              flush=True)
        return entry

    # ----- the server --------------------------------------------------------------------
    def start_server(self, cwd):
        proc = subprocess.Popen([self.wine, os.path.join(self.bin, "quarry.exe"), "--ddestart"], cwd=cwd,
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return proc

    def server_pid(self, proc):
        # wine-run execs the loader, so the started process is the Windows program itself.
        return proc.pid

    def peak_memory(self, proc):
        try:
            with open("/proc/%d/status" % self.server_pid(proc)) as f:
                for line in f:
                    if line.startswith("VmHWM:"):
                        return int(line.split()[1]) * 1024
        except OSError:
            pass
        return 0

    def stop_server(self, proc):
        subprocess.run([self.wine, os.path.join(self.bin, "quarry.exe"), "--ddestop"], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        try:
            proc.wait(timeout=20)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()

    def winrun(self, program, args, timeout=3600):
        """Runs a Windows program of the build; answers its output. The output goes through a file:
        the wineserver may hold a pipe given to a program open after the program has ended."""
        out = os.path.join(self.out, "program.out")
        with open(out, "wb") as f:
            subprocess.run([self.wine, os.path.join(self.bin, program)] + args, stdin=subprocess.DEVNULL, stdout=f,
                           stderr=subprocess.DEVNULL, timeout=timeout)
        return open(out, "rb").read().decode("latin-1")

    def client(self, ops, timeout=3600):
        text = self.winrun("bench_client.exe", ops, timeout)
        return [json.loads(l) for l in text.splitlines() if l.startswith("{")]

    def job(self, cwd, settings, request_log=None, extra_ops=None):
        """Starts a server, pokes the settings, executes Replace; answers (seconds, peak, ops)."""
        proc = self.start_server(cwd)
        try:
            ops = []
            for item, value in settings:
                ops += ["poke", item, value]
            ops += extra_ops if extra_ops is not None else ["exec", "Replace"]
            if request_log:
                ops += ["request", "Log", winpath(request_log)]
            lines = self.client(ops)
            peak = self.peak_memory(proc)
        finally:
            self.stop_server(proc)
        main = [l for l in lines if l["op"] in ("exec", "rounds") or (l["op"] == "request" and l["item"] == "FileList")]
        if not main:
            raise RuntimeError("job failed: %s" % lines)
        return main[0]["seconds"], peak, lines

    def job_settings(self, directory, patterns, options, find, replace, hmjre=False):
        s = []
        if hmjre:
            s.append(("SetHmJreDLL", winpath(os.path.join(self.bin, "sieve.dll"))))
        s += [("Set", options), ("SetDir", winpath(directory) + "\\"), ("SetFilePattern", patterns),
              ("SetCharSet", "autodetect"), ("SetLineBreak", "autodetect"), ("SetReplaceStr", hexarg(replace)),
              ("SetFindStr", hexarg(find))]
        return s

    def log_paths(self, log_file):
        data = open(log_file, "rb").read()
        paths = []
        for line in data.split(b"\n"):
            at = line.rfind(LOG_IN)
            if at > 0:
                paths.append(line[:at])
        return paths

    # ----- scenarios -----------------------------------------------------------------------
    def s1_plain_tree(self, peers=True):
        print("S1 plain replace, few hits, whole tree (%s)" % self.arch, flush=True)
        find, repl = self.word("find"), self.word("replace")
        run_t, peaks, base_t, base_peaks, changed = [], [], [], [], []
        for _ in range(self.runs):
            tree = self.fresh("tree")
            log = os.path.join(self.work, "s1.log")
            t, peak, _ = self.job(self.work, self.job_settings(tree, "*.txt", "casesense,subdir", find, repl), log)
            run_t.append(t)
            peaks.append(peak)
            changed = self.log_paths(log)
            # The physical limit: read every file, rewrite the same changed files through a temporary file.
            info = self.copy_baseline("tree", [e["name"] for e in self.manifest], set(changed))
            base_t.append(info["seconds"])
            base_peaks.append(info["peak"])
        total = sum(os.path.getsize(p) for p in glob.glob(os.path.join(self.corpus, "tree", "*", "*")))
        largest = max(os.path.getsize(p) for p in glob.glob(os.path.join(self.corpus, "tree", "*", "*")))
        base = self.record("S1", "baseline: read all + rewrite changed (Wine)", base_t, bytes=total,
                           peak=max(base_peaks))
        self.record("S1", "quarry plain replace, tree", run_t, bytes=total, peak=max(peaks), baseline=base["median"],
                    largest=largest, changed=len(changed))

        # Native peers on the UTF-8 and Shift_JIS files, and Quarry on exactly those files.
        subset = [e["name"] for e in self.manifest if e["encoding"] in ("sjis", "u8", "u8bom")]
        sub_bytes = sum(os.path.getsize(os.path.join(self.corpus, "tree", n)) for n in subset)
        patterns = "*.sjis.*.txt;*.u8.*.txt;*.u8bom.*.txt"
        q_t, q_peaks = [], []
        for _ in range(self.runs):
            tree = self.fresh("tree")
            t, peak, _ = self.job(self.work, self.job_settings(tree, patterns, "casesense,subdir", find, repl))
            q_t.append(t)
            q_peaks.append(peak)
        # The physical limit on exactly those files: the same file operations without any decoding.
        sub_base = [self.copy_baseline("tree", subset, set(changed))["seconds"] for _ in range(self.runs)]
        sub_base_entry = self.record("S1", "baseline on the UTF-8 + SJIS files (Wine)", sub_base, bytes=sub_bytes)
        qsub = self.record("S1", "quarry plain replace, UTF-8 + SJIS files", q_t, bytes=sub_bytes, peak=max(q_peaks),
                           baseline=sub_base_entry["median"])

        def esc(b):
            return "".join("\\x%02x" % c for c in b)

        if not peers:
            return
        # Each peer as it is, and sed once more followed by a flush to disk of every file it rewrote
        # (sed -i rewrites them all): the same durability Quarry gives a changed file before it
        # takes the original's place.
        peers = [("sed", False, "sed -i (native), UTF-8 + SJIS files"),
                 ("perl", False, "perl -i (native), UTF-8 + SJIS files"),
                 ("sed", True, "sed -i + sync of its files (native)")]
        for tool, durable, label in peers:
            times = []
            for _ in range(self.runs):
                tree = self.fresh("tree")
                sj = [os.path.join(tree, n) for n in subset if ".sjis." in n]
                u8 = [os.path.join(tree, n) for n in subset if ".sjis." not in n]
                start = time.perf_counter()
                for files, enc in ((sj, "sjis"), (u8, "utf8")):
                    expr = "s/%s/%s/g" % (esc(self.word("find", enc)), esc(self.word("replace", enc)))
                    cmd = ["sed", "-i", expr] if tool == "sed" else ["perl", "-pi", "-e", expr]
                    subprocess.run(cmd + files, check=True, env=dict(os.environ, LC_ALL="C"))
                    if durable:
                        subprocess.run(["sync", "--data", "--"] + files, check=True)
                times.append(time.perf_counter() - start)
            self.record("S1", label, times, bytes=sub_bytes, quarry=qsub["median"])

    def copy_baseline(self, folder, names, changed):
        """bench_copy over names of a fresh copy of folder, rewriting those in changed: its report."""
        tree = self.fresh(folder)
        listing = os.path.join(self.work, "copy.list")
        with open(listing, "wb") as f:
            for n in names:
                p = (winpath(os.path.join(tree, n))).encode("cp932")
                f.write((b"W " if p in changed else b"R ") + p + b"\r\n")
        return json.loads(self.winrun("bench_copy.exe", [winpath(listing)]).strip().splitlines()[-1])

    def s7_rare_tree(self):
        print("S7 plain replace over UTF-8 and UTF-16 files with characters Shift_JIS lacks", flush=True)
        find, repl = self.word("find"), self.word("replace")
        rare = json.load(open(os.path.join(self.corpus, "rare.json")))
        names = [e["name"] for e in rare]
        run_t, peaks, base_t = [], [], []
        changed = set()
        for _ in range(self.runs):
            tree = self.fresh("rare")
            log = os.path.join(self.work, "s7.log")
            t, peak, _ = self.job(self.work, self.job_settings(tree, "*.txt", "casesense,subdir", find, repl), log)
            run_t.append(t)
            peaks.append(peak)
            changed = set(self.log_paths(log))
            base_t.append(self.copy_baseline("rare", names, changed)["seconds"])
        nbytes = sum(os.path.getsize(os.path.join(self.corpus, "rare", n)) for n in names)
        expected = sum(1 for e in rare if e["hits"])
        base = self.record("S7", "baseline: read all + rewrite changed (Wine)", base_t, bytes=nbytes)
        q = self.record("S7", "quarry plain replace, rare-character tree", run_t, bytes=nbytes, peak=max(peaks),
                        baseline=base["median"], changed=len(changed), expected_changed=expected)
        if len(changed) != expected:
            print("  (!) %d files rewritten, %d hold a hit" % (len(changed), expected), flush=True)

        # The same encodings without such characters: the UTF files of the scenario 1 tree.
        subset = [e["name"] for e in self.manifest if e["encoding"] in ("u8", "u8bom", "u16le", "u16be")]
        patterns = "*.u8.*.txt;*.u8bom.*.txt;*.u16le.*.txt;*.u16be.*.txt"
        plain_t, plain_base = [], []
        for _ in range(self.runs):
            tree = self.fresh("tree")
            log = os.path.join(self.work, "s7plain.log")
            t, _, _ = self.job(self.work, self.job_settings(tree, patterns, "casesense,subdir", find, repl), log)
            plain_t.append(t)
            plain_base.append(self.copy_baseline("tree", subset, set(self.log_paths(log)))["seconds"])
        sub_bytes = sum(os.path.getsize(os.path.join(self.corpus, "tree", n)) for n in subset)
        pb = self.record("S7", "baseline on the UTF files of the S1 tree (Wine)", plain_base, bytes=sub_bytes)
        pq = self.record("S7", "quarry plain replace, UTF files of the S1 tree", plain_t, bytes=sub_bytes,
                         baseline=pb["median"])
        ratio = (q["median"] / base["median"]) / (pq["median"] / pb["median"])
        q["ratio_to_plain"] = ratio
        print("  ratio with such characters / ratio without: %.2f" % ratio, flush=True)

    def s2_dense(self):
        print("S2 dense hits: every tenth byte, replacement three times longer", flush=True)
        find, repl = self.word("dense_find"), self.word("dense_replace")
        modes = [("plain, case-sensitive", "casesense", find, False),
                 ("plain, ignoring case", "", find.upper(), False),
                 ("regular expression", "casesense,use_regular", b"k[e]y", True)]
        for label, options, needle, hmjre in modes:
            per_size = {}
            for size in ("half", "full"):
                times, peaks = [], []
                for _ in range(self.runs):
                    d = self.fresh("dense")
                    for other in glob.glob(os.path.join(d, "*.txt")):
                        if not other.endswith(".%s.txt" % size):
                            os.remove(other)
                    t, peak, lines = self.job(self.work, self.job_settings(d, "*.txt", options, needle, repl, hmjre),
                                              os.path.join(self.work, "s2.log"))
                    times.append(t)
                    peaks.append(peak)
                nbytes = os.path.getsize(os.path.join(self.corpus, "dense", "dense.%s.txt" % size))
                log = open(os.path.join(self.work, "s2.log"), "rb").read()
                per_size[size] = self.record("S2", "%s, %d MB" % (label, nbytes // 1000000), times, bytes=nbytes,
                                             peak=max(peaks), largest=nbytes, log=log.decode("cp932", "replace"))
            ratio = per_size["full"]["median"] / per_size["half"]["median"]
            per_size["full"]["doubling_ratio"] = ratio
            print("  %-46s doubling the size multiplies the time by %.2f" % (label, ratio), flush=True)

    def s3_regex_fuzzy(self):
        print("S3 regular-expression and fuzzy jobs over the tree", flush=True)
        total = sum(os.path.getsize(p) for p in glob.glob(os.path.join(self.corpus, "tree", "*", "*")))
        jobs = [("regular expression", "casesense,subdir,use_regular", self.word("regex_find"),
                 self.word("regex_replace")),
                ("fuzzy (half-width kana finds katakana)", "subdir,aimai", self.word("fuzzy_find"),
                 self.word("fuzzy_find"))]
        for label, options, find, repl in jobs:
            times, peaks = [], []
            for _ in range(self.runs):
                tree = self.fresh("tree")
                t, peak, _ = self.job(self.work, self.job_settings(tree, "*.txt", options, find, repl, True),
                                      os.path.join(self.work, "s3.log"))
                times.append(t)
                peaks.append(peak)
            hits = len(self.log_paths(os.path.join(self.work, "s3.log")))
            self.record("S3", label, times, bytes=total, peak=max(peaks), changed=hits)

    def s4_filelist(self):
        print("S4 FileList over the deep listing tree", flush=True)
        root = os.path.join(self.corpus, "listing")
        count = sum(len(files) for _, _, files in os.walk(root))
        times, peaks, sizes = [], [], []
        for _ in range(self.runs):
            # Started in the tree with an empty directory, so the reply holds short relative paths
            # (Wine drops DDE messages of more than about 2 MiB).
            t, peak, lines = self.job(root, [("Set", "subdir"), ("SetDir", ""), ("SetFilePattern", "*.t")],
                                      extra_ops=["request", "FileList"])
            times.append(t)
            peaks.append(peak)
            sizes.append([l for l in lines if l["op"] == "request"][0]["bytes"])
        self.record("S4", "FileList, %d files" % count, times, files=count, reply_bytes=sizes[-1], peak=max(peaks))

    def s5_rounds(self):
        print("S5 DDE round trips", flush=True)
        n = 2000 if self.quick else 10000
        times = []
        for _ in range(self.runs):
            t, _, _ = self.job(self.work, [], extra_ops=["rounds", str(n)])
            times.append(t)
        e = self.record("S5", "%d poke/request transactions" % n, times, transactions=n)
        e["ms_per_transaction"] = e["median"] / n * 1000
        print("  %-46s %.3f ms per transaction (median run)" % ("", e["ms_per_transaction"]), flush=True)

    def s6_scan(self):
        print("S6 in-memory scan without a hit", flush=True)
        scan = os.path.join(self.corpus, "scan.txt")
        needle = hexarg(self.word("scan_needle"))
        out = []
        for _ in range(self.runs):
            text = self.winrun("bench_scan.exe", [winpath(scan), needle, "5"])
            out.append([json.loads(l) for l in text.splitlines() if l.startswith('{"searcher"')])
            native = os.path.join(self.out, "memmem_native")
            res = subprocess.run([native, scan, needle, "5"], capture_output=True)
            out[-1] += [json.loads(l) for l in res.stdout.decode().splitlines() if l.startswith("{")]
        nbytes = os.path.getsize(scan)
        for k, first in enumerate(out[0]):
            times = [run[k]["best"] for run in out]
            e = self.record("S6", first["searcher"], times, bytes=nbytes)
            e["gbps"] = nbytes / e["median"] / 1e9

    # ----- output --------------------------------------------------------------------------
    def summary(self):
        rows = []
        for e in self.results:
            mb = e.get("bytes")
            rate = "%.1f" % (mb / e["median"] / 1e6) if mb else "-"
            peak = "%.1f" % (e["peak"] / 1048576) if e.get("peak") else "-"
            ratio = "-"
            if "baseline" in e:
                ratio = "%.2f x baseline" % (e["median"] / e["baseline"])
                if "of_other_arch" in e:
                    ratio += ", %.2f x %s" % (e["median"] / e["of_other_arch"][1], e["of_other_arch"][0])
                if "ratio_to_plain" in e:
                    ratio += " (%.2f x UTF S1)" % e["ratio_to_plain"]
            elif "quarry" in e:
                ratio = "quarry %.2f x this" % (e["quarry"] / e["median"])
            elif "doubling_ratio" in e:
                ratio = "x%.2f for 2x size" % e["doubling_ratio"]
            elif "ms_per_transaction" in e:
                ratio = "%.3f ms/transaction" % e["ms_per_transaction"]
            elif "gbps" in e:
                ratio = "%.2f GB/s" % e["gbps"]
            rows.append((e["scenario"], e["name"], "%.3f/%.3f/%.3f" % (e["min"], e["median"], e["max"]), rate, peak,
                         ratio))
        head = ("scen", "measurement", "time s min/med/max", "MB/s", "peak MiB", "ratio")
        widths = [max(len(str(r[i])) for r in rows + [head]) for i in range(len(head))]
        lines = ["  ".join(str(c).ljust(w) for c, w in zip(head, widths))]
        lines.append("  ".join("-" * w for w in widths))
        for r in rows:
            lines.append("  ".join(str(c).ljust(w) for c, w in zip(r, widths)))
        return "\n".join(lines)


def build_arch(build):
    """The target processor of a build tree, from its CMake cache."""
    try:
        for line in open(os.path.join(build, "CMakeCache.txt")):
            if line.startswith("CMAKE_SYSTEM_PROCESSOR:"):
                return line.split("=", 1)[1].strip()
    except OSError:
        pass
    return os.path.basename(build.rstrip("/"))


def s1_beside(main_bench, other_dir):
    """S1 with the second build's programs, then each of its measurements against the same
    measurement of the first build (both were measured against their own baselines)."""
    other = Bench(main_bench.args, other_dir)
    other.words, other.manifest, other.results = main_bench.words, main_bench.manifest, main_bench.results
    other.label = other.arch + ": "
    first = len(main_bench.results)
    other.s1_plain_tree(peers=False)
    mine = {e["name"]: e for e in main_bench.results[:first] if e["scenario"] == "S1" and e["arch"] == main_bench.arch}
    for e in main_bench.results[first:]:
        base = mine.get(e["name"][len(other.label):])
        if base:
            e["of_other_arch"] = [main_bench.arch, base["median"]]
            print("  %-46s %s/%s time ratio %.2f" % (e["name"], other.arch, main_bench.arch,
                                                     e["median"] / base["median"]), flush=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--quick", action="store_true")
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--only", default="S1,S2,S3,S4,S5,S6,S7")
    ap.add_argument("--s1-beside", default=None)
    args = ap.parse_args()
    b = Bench(args)
    b.args = args
    os.makedirs(b.work, exist_ok=True)
    gen = [sys.executable, os.path.join(HERE, "gen_corpus.py"), b.corpus] + (["--quick"] if b.quick else [])
    print("corpus: %s" % b.corpus, flush=True)
    subprocess.run(gen, check=True)
    b.words = json.load(open(os.path.join(b.corpus, "words.json")))
    b.manifest = json.load(open(os.path.join(b.corpus, "tree.json")))
    subprocess.run(["gcc", "-O2", "-o", os.path.join(b.out, "memmem_native"), os.path.join(HERE, "memmem_native.c")],
                   check=True)
    started = time.time()
    for s in args.only.split(","):
        getattr(b, {"S1": "s1_plain_tree", "S2": "s2_dense", "S3": "s3_regex_fuzzy", "S4": "s4_filelist",
                    "S5": "s5_rounds", "S6": "s6_scan", "S7": "s7_rare_tree"}[s])()
        if s == "S1" and args.s1_beside:
            s1_beside(b, args.s1_beside)
    table = b.summary()
    print()
    print(table)
    stamp = time.strftime("%Y-%m-%d %H:%M:%S")
    head = subprocess.run(["git", "-C", TOP, "rev-parse", "--short", "HEAD"], capture_output=True).stdout.decode().strip()
    doc = {"when": stamp, "commit": head, "quick": b.quick, "runs": b.runs, "seconds": time.time() - started,
           "results": b.results}
    with open(os.path.join(b.out, "results.json"), "w") as f:
        json.dump(doc, f, indent=1)
    with open(os.path.join(b.out, "results.txt"), "w") as f:
        f.write(table + "\n")
    subprocess.run(["/usr/bin/python3", os.path.join(HERE, "chart.py"), os.path.join(b.out, "results.json"),
                    os.path.join(b.out, "chart.png")])
    print("\nresults: %s/results.json, results.txt, chart.png" % b.out)
    shutil.rmtree(b.work, ignore_errors=True)


if __name__ == "__main__":
    main()
