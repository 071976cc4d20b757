"""Prints the benchmark targets as ratios against their same-run baselines."""
import json
import pathlib
import sys


def load(folder):
    times = {}
    counters = {}
    for path in pathlib.Path(folder).glob("*.json"):
        for b in json.loads(path.read_text()).get("benchmarks", []):
            name = b["name"].split("/")[0]
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
            times[name] = (b["real_time"] * scale, b["cpu_time"] * scale)
            counters[name] = b
    return times, counters


def main(folder):
    times, counters = load(folder)
    failures = 0

    def ratio(label, name, base, limit):
        nonlocal failures
        if name not in times or base not in times:
            return
        real = times[name][0] / times[base][0]
        cpu = times[name][1] / times[base][1]
        ok = real <= limit
        failures += not ok
        print(f"{label:<44} {real:6.2f} x (cpu {cpu:5.2f} x)  target <= {limit} x  "
              f"{'ok' if ok else 'MISSED'}")

    def at_least(label, name, base, limit):
        nonlocal failures
        if name not in times or base not in times:
            return
        speedup = times[base][0] / times[name][0]
        ok = speedup >= limit
        failures += not ok
        print(f"{label:<44} {speedup:8.0f} x faster            target >= {limit} x  "
              f"{'ok' if ok else 'MISSED'}")

    def under(label, name, limit_ms):
        nonlocal failures
        if name not in times:
            return
        ms = times[name][0]
        ok = ms < limit_ms
        failures += not ok
        print(f"{label:<44} {ms:9.2f} ms                 target < {limit_ms} ms  "
              f"{'ok' if ok else 'MISSED'}")

    print()
    print("Targets (wall-clock time; the baseline is measured in the same run):")
    ratio("parse / cJSON_Parse", "BM_Parse", "BM_Baseline_cJSON_Parse", 0.6)
    ratio("load (read, parse, indexes) / cJSON_Parse", "BM_Load", "BM_Baseline_cJSON_Parse", 0.6)
    ratio("kvlt-scan info / cJSON_Parse process", "BM_KvltScanInfo", "BM_Baseline_ParseProcess",
          0.6)
    ratio("print + write / (cJSON_Print + write)", "BM_PrintAndWrite",
          "BM_Baseline_cJSON_PrintAndWrite", 0.7)
    ratio("save (+ syncs) / (cJSON_Print + write)", "BM_Store", "BM_Baseline_cJSON_PrintAndWrite",
          0.7)
    under("First Available, 10,000 slots", "BM_FirstAvailable", 20)
    under("IntelliSlot, 10,000 slots", "BM_IntelliSlot", 20)
    at_least("IntelliSlot against the plain form", "BM_IntelliSlot", "BM_Baseline_IntelliSlotPlain", 100)
    if "BM_Baseline_IntelliSlotPlain" in counters:
        same = counters["BM_Baseline_IntelliSlotPlain"].get("same_result") == 1
        failures += not same
        print(f"{'IntelliSlot gives the plain form''s slots':<44} {'yes' if same else 'NO'}")
    under("10,000 scans applied", "BM_Apply10000Scans", 1000)
    for shape in ("Part", "Wildcards"):
        under(f"filter ({shape.lower()}), 1,000,000 rows rebuilt", f"BM_FilterRebuild_{shape}", 200)
        ratio("  against the plain fnmatch loop", f"BM_FilterRebuild_{shape}",
              f"BM_Baseline_FnmatchLoop_{shape}", 1.0)
    worst = sorted(n for n in times if n.startswith("BM_FilterWorst_"))
    for name in worst:
        under(f"filter pattern ({name[15:]}), 1,000-char value", name, 10)
    if all(n in times for n in ("BM_Scan10000_Journal", "BM_Scan10000_NoJournal",
                                "BM_Baseline_WriteAndSync10000")):
        for name in ("BM_Scan10000_NoJournal", "BM_Scan10000_Journal",
                     "BM_Baseline_WriteAndSync10000"):
            rate = counters[name].get("items_per_second", 0)
            print(f"{name:<44} {rate:9.0f} scans/s")
        floor = times["BM_Scan10000_NoJournal"][0] + times["BM_Baseline_WriteAndSync10000"][0]
        real = times["BM_Scan10000_Journal"][0] / floor
        ok = real <= 1.25
        failures += not ok
        print(f"{'journal / (no journal + bare fdatasync)':<44} {real:6.2f} x"
              f"                  target <= 1.25 x  {'ok' if ok else 'MISSED'}")
    ratio("slot run, 2,000 barcodes / 1 barcode", "BM_SlotRun_2000Barcodes",
          "BM_Baseline_SlotRun_1Barcode", 1.3)
    ratio("CSV export, 1,000,000 rows / fprintf", "BM_Export_Csv", "BM_Baseline_Fprintf_Csv", 1.5)
    ratio("text export, 1,000,000 rows / fprintf", "BM_Export_Text", "BM_Baseline_Fprintf_Text", 1.5)
    ratio("JSON export, 1,000,000 rows / fprintf", "BM_Export_Json", "BM_Baseline_Fprintf_Json", 1.5)
    ratio("XML export, 1,000,000 rows / fprintf", "BM_Export_Xml", "BM_Baseline_Fprintf_Xml", 2.0)
    under("xls export, 200,000 rows (four sheets)", "BM_Export_Xls200k", 2000)
    under("PDF export, 100,000 rows", "BM_Export_Pdf100k", 5000)
    ratio("window open and painted / kvlt-scan info", "BM_OpenInWindow",
          "BM_Baseline_KvltScanInfo", 1.0)
    under("one accepted scan in the dialog", "BM_ScanInDialog", 5)
    cgi = [name for name in times if name.startswith("BM_Cgi")]
    if cgi:
        slowest = max(cgi, key=lambda name: times[name][0])
        under(f"1 MiB CGI body, slowest: {slowest[7:]}", slowest, 100)
    for name, (real, _) in sorted(times.items()):
        if name.startswith(("BM_Report_", "BM_List", "BM_FilterRebuildInfo", "BM_Fit")):
            print(f"{name:<44} {real:9.2f} ms")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
