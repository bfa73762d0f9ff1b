#!/usr/bin/env python3
"""How fast `linkan serve` answers the page: load, control changes, rule pages, web graph.

Starts `linkan serve --port 0` on a temporary folder holding a copy of
mushroom.dat and measures, as the median of REPEAT tries:
  1. the first page load in a new headless Chromium (a new profile each
     time): from navigation to the address linkan printed until the file
     list shows, with the browser's own timings beside it;
  2. the HTTP round trip of a task dialog change: the "Non-sequential
     association analysis" check on and off, and typing a minimum support;
  3. a page of 100 rules out of about 300,000 (mushroom, support 10%,
     confidence 85%, <= 5 items, <= 2 in a head: 305,982 rules): making the
     rules table once, then a middle page in table order and sorted by a
     column (the first sort builds an index: first and repeated apart);
  4. the web graph of the 50 most frequent items.

Usage: /usr/bin/python3 bench/serve/run.py [REPEAT]     (REPEAT default 5)
  LINKAN: the linkan binary (default: build-release/app/linkan here; build it
  with cmake -DCMAKE_BUILD_TYPE=Release, targets linkan and linkanalysis);
  DATASETS: the dataset folder (default ../shared/datasets beside the
  repository); CHROMEDRIVER: default /usr/bin/chromedriver. Needs the
  python3-selenium and chromium-driver packages for the page load (it is
  left out without them). Use a Release build on an idle machine.
"""
import http.client
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
LINKAN = os.environ.get("LINKAN", os.path.join(REPO, "build-release", "app", "linkan"))
DATASETS = os.environ.get("DATASETS", os.path.join(REPO, "..", "shared", "datasets"))
CHROMEDRIVER = os.environ.get("CHROMEDRIVER", "/usr/bin/chromedriver")
REPEAT = int(sys.argv[1]) if len(sys.argv) > 1 else 5

DATA = "mushroom.dat"
# Minimum support, minimum confidence, max itemset size, max head size.
SETTINGS = {1013: "0.1", 1014: "0.85", 1005: "5", 1010: "2"}
NONSEQUENTIAL, VARIABLES, RULES_TABLE, WEB_GRAPH = 1044, 1000, 1022, 1074
LIFT, BODY = 5, 0  # columns of the rules table

figures = []  # (what, milliseconds or None, note)


def ms(seconds):
    return seconds * 1000.0


def report(what, times, note=""):
    figures.append((what, times, note))


class Server:
    def __init__(self, root):
        self.process = subprocess.Popen([LINKAN, "serve", "--root", root, "--port", "0"],
                                        stdout=subprocess.PIPE, text=True)
        line = self.process.stdout.readline().strip()
        if not line.startswith("linkan serve: http"):
            raise SystemExit(f"linkan serve did not start: {line!r}")
        self.address = line.split()[-1]
        self.base = self.address.split("/?")[0]
        self.token = self.address.split("token=")[1]

    def call(self, method, path, body=None):
        """(seconds for the round trip, answer as JSON)."""
        data = json.dumps(body).encode() if body is not None else None
        request = urllib.request.Request(self.base + path, data=data, method=method, headers={
            "X-Linkan-Token": self.token, "Content-Type": "application/json"})
        start = time.perf_counter()
        with urllib.request.urlopen(request) as answer:
            raw = answer.read()
        return time.perf_counter() - start, json.loads(raw)

    def stop(self):
        self.process.terminate()
        self.process.wait(10)


def page_load(server):
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        from selenium.webdriver.support.ui import WebDriverWait
    except ImportError:
        report("page load (cold)", None, "left out: no selenium")
        return
    options = webdriver.ChromeOptions()
    for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage"):
        options.add_argument(arg)
    # Milliseconds from navigation start, as the browser saw them.
    marks = {"page load: the page's HTML arrived": "t.responseEnd - t.navigationStart",
             "page load: app.js arrived": "end('/app.js')",
             "page load: load event": "t.loadEventEnd - t.navigationStart",
             "page load: file list fetched (/api/files)": "end('/api/files')"}
    script = ("const t = performance.timing; const end = (p) => performance.getEntriesByType("
              "'resource').find(e => e.name.includes(p)).responseEnd; return ["
              + ", ".join(marks.values()) + "];")
    shown, seen = [], [[] for _ in marks]
    for _ in range(REPEAT):
        # A new driver is a new browser with a new, empty profile: no cache.
        driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
        try:
            start = time.perf_counter()
            driver.get(server.address)
            WebDriverWait(driver, 30, poll_frequency=0.005).until(
                lambda d: d.execute_script("return document.querySelectorAll('#files li').length"))
            shown.append(time.perf_counter() - start)
            for times, value in zip(seen, driver.execute_script(script)):
                times.append(value / 1000.0)
        finally:
            driver.quit()
    report("page load: until the file list shows", shown, "wall clock around driver.get + wait")
    for what, times in zip(marks, seen):
        report(what, times, "browser timing from navigation start")


def repeated(fn):
    return [fn() for _ in range(REPEAT)]


def main():
    if not os.access(LINKAN, os.X_OK):
        raise SystemExit(f"no linkan at {LINKAN} (set LINKAN, or build build-release)")
    root = tempfile.mkdtemp(prefix="linkan-serve-bench-")
    shutil.copy(os.path.join(DATASETS, DATA), root)
    server = Server(root)
    try:
        page_load(server)
        seconds, opened = server.call("POST", "/api/open", {"data": DATA, "format": "basket"})
        report("open the data", [seconds], f"{opened['table']['cases']} cases")
        ws = "/api/ws/" + opened["workspace"]

        # 2. Control changes: each one answers the whole refreshed dialog.
        on, off, typed = [], [], []
        for i in range(REPEAT):
            on.append(server.call("POST", ws + "/task/click", {"id": NONSEQUENTIAL})[0])
            off.append(server.call("POST", ws + "/task/click", {"id": NONSEQUENTIAL})[0])
            text = "0.15" if i % 2 == 0 else "0.2"
            typed.append(server.call("POST", ws + "/task/type", {"id": 1013, "text": text})[0])
        report("task/click 1044 (check on)", on)
        report("task/click 1044 (check off)", off)
        report("task/type 1013 (minimum support)", typed)
        # The page's fetch keeps its connection open; so does this one.
        connection = http.client.HTTPConnection(server.base.split("//")[1])

        def click_kept_alive():
            start = time.perf_counter()
            connection.request("POST", ws + "/task/click", json.dumps({"id": NONSEQUENTIAL}),
                               {"X-Linkan-Token": server.token, "Content-Type": "application/json"})
            connection.getresponse().read()
            return time.perf_counter() - start

        report("task/click 1044, one kept-alive connection",
               [click_kept_alive() for _ in range(2 * REPEAT)], "on and off, as the page does")
        connection.close()

        # The run.
        server.call("POST", ws + "/task/click", {"id": NONSEQUENTIAL})
        server.call("POST", ws + "/task/click", {"id": VARIABLES,
                                                 "answers": {"variables": [[1], [2], [], []]}})
        for control, text in SETTINGS.items():
            assert server.call("POST", ws + "/task/type", {"id": control, "text": text})[1]["typed"]
        job = server.call("POST", ws + "/task/ok", {"answers": {"question": True}})[1]["job"]
        while job["state"] == "running":
            time.sleep(0.1)
            job = server.call("GET", ws + "/job")[1]
        if job["state"] != "done":
            raise SystemExit(f"the run ended {job['state']}: {job.get('message')}")
        report("the run (task/ok until done)", [job["elapsed"]], job.get("summary", ""))
        results = server.call("GET", ws + "/results")[1]

        # 3. The rules table and pages of it.
        seconds, made = server.call("POST", ws + "/results/click", {"id": RULES_TABLE})
        rows = made["documents"][0]["rows"]
        report("results/click 1022 (make the rules table)", [seconds],
               f"{rows} rows (counts.rules {results['counts']['rules']})")
        middle = rows // 2

        def page(sort, desc=0):
            query = f"offset={middle}&limit=100&sort={sort}&desc={desc}"
            seconds, answer = server.call("GET", f"{ws}/doc/t0?{query}")
            assert len(answer["rows"]) == 100
            return seconds

        report("doc/t0 middle page, table order", repeated(lambda: page(-2)))
        for name, column, desc in (("Lift, descending", LIFT, 1), ("Body (text)", BODY, 0)):
            report(f"doc/t0 middle page by {name}: first", [page(column, desc)],
                   "sorts, keeps the index")
            report(f"doc/t0 middle page by {name}: again", repeated(lambda: page(column, desc)))

        # 4. The web graph of the 50 most frequent items (Frequency: column 1).
        items = results["list"]["rows"]
        top = sorted(range(len(items)), key=lambda r: -float(items[r][1]))[:50]
        assert server.call("POST", ws + "/results/select", {"rows": top})[1]["selected"]
        graphs = []
        for _ in range(REPEAT):
            seconds, answer = server.call("POST", ws + "/results/click", {"id": WEB_GRAPH})
            graphs.append(seconds)
            picture = answer["documents"][0]
        svg = urllib.request.urlopen(urllib.request.Request(
            f"{server.base}{ws}/download/{picture['id']}.svg?inline=1",
            headers={"X-Linkan-Token": server.token})).read()
        report(f"results/click 1074 (web graph, {len(top)} of {len(items)} items)", graphs,
               f"SVG {len(svg) // 1024} KiB; the answer gives no rule or edge count")
    finally:
        server.stop()
        shutil.rmtree(root, ignore_errors=True)

    print(f"linkan serve, {LINKAN}; {DATA}; median of {REPEAT} (ms)")
    print(f"{'what':<52} {'median':>9} {'min':>9} {'max':>9}  note")
    for what, times, note in figures:
        if not times:
            print(f"{what:<52} {'-':>9} {'-':>9} {'-':>9}  {note}")
            continue
        t = [ms(s) for s in times]
        print(f"{what:<52} {statistics.median(t):9.1f} {min(t):9.1f} {max(t):9.1f}  {note}")


if __name__ == "__main__":
    main()
