"""Fixtures of the `linkan serve` tests: a served folder, the server, and
Debian's chromium (headless) driven by selenium.

ctest sets LINKAN (the linkan executable), LINKAN_EXAMPLES and
LINKAN_SCREENSHOTS (where each step's screenshot goes); by hand:
    LINKAN=build/app/linkan /usr/bin/python3 -m pytest tests/serve
"""

import json
import os
import pathlib
import shutil
import subprocess
import time
import urllib.error
import urllib.request

import pytest
from selenium import webdriver
from selenium.common.exceptions import StaleElementReferenceException
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select, WebDriverWait

ROOT = pathlib.Path(__file__).resolve().parents[2]
EXAMPLES = pathlib.Path(os.environ.get("LINKAN_EXAMPLES", ROOT / "examples"))
SCREENSHOTS = pathlib.Path(os.environ.get("LINKAN_SCREENSHOTS", ROOT / "build" / "serve-screenshots"))
WAIT = 60  # seconds; generous, the sanitizer build is slow


def write_csv(path, header, rows):
    with open(path, "w", encoding="utf-8") as f:
        f.write(",".join(header) + "\n")
        for row in rows:
            f.write(",".join(str(c) for c in row) + "\n")


@pytest.fixture(scope="session")
def served(tmp_path_factory):
    """The served folder: the examples, a basket table that mines for a
    long time (every one of 30 items in each of 400 transactions), a table
    with items named like markup, and a model made by `linkan run`."""
    root = tmp_path_factory.mktemp("served")
    for f in EXAMPLES.glob("*"):
        if f.is_file():
            shutil.copy(f, root / f.name)
    write_csv(root / "long.csv", ["ID", "item"],
              [(t, "item%02d" % i) for t in range(1, 401) for i in range(30)])
    write_csv(root / "markup.csv", ["ID", "item"],
              [(t, name) for t in range(1, 7)
               for name in ("<script>alert(1)</script>", "a&amp;b", "plain")])
    linkan = os.environ.get("LINKAN", str(ROOT / "build" / "app" / "linkan"))
    subprocess.run([linkan, "--progress", "none", "run", str(root / "market_basket.csv"),
                    "--task", str(root / "market_basket.task.json"), "--out", str(root / "model")],
                   check=True, capture_output=True)
    (root / "outside").mkdir()
    os.symlink("/etc", root / "outside" / "etc-link")
    return root


class Server:
    def __init__(self, root):
        linkan = os.environ.get("LINKAN", str(ROOT / "build" / "app" / "linkan"))
        self.process = subprocess.Popen(
            [linkan, "serve", "--root", str(root), "--port", "0", "--unwatched-run-limit", "4"],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        line = self.process.stdout.readline()
        assert line.startswith("linkan serve: http://127.0.0.1:"), line
        self.url = line.split(" ", 2)[2].strip()
        self.base, self.token = self.url.split("/?token=")

    def call(self, method, path, body=None, headers=None, token=True):
        """(status, JSON answer) of an API request."""
        all_headers = {"Content-Type": "application/json"}
        if token:
            all_headers["X-Linkan-Token"] = self.token
        all_headers.update(headers or {})
        data = None if body is None else json.dumps(body).encode()
        req = urllib.request.Request(self.base + path, method=method, data=data, headers=all_headers)
        try:
            with urllib.request.urlopen(req, timeout=WAIT) as r:
                return r.status, json.loads(r.read() or b"null")
        except urllib.error.HTTPError as e:
            return e.code, json.loads(e.read() or b"null")

    def raw(self, path):
        """(status, Content-Type, bytes) of a GET with the token."""
        req = urllib.request.Request(self.base + path, headers={"X-Linkan-Token": self.token})
        try:
            with urllib.request.urlopen(req, timeout=WAIT) as r:
                return r.status, r.headers.get("Content-Type"), r.read()
        except urllib.error.HTTPError as e:
            return e.code, e.headers.get("Content-Type"), e.read()

    def wait_job(self, ws):
        deadline = time.time() + WAIT
        while time.time() < deadline:
            status, job = self.call("GET", "/api/ws/%s/job" % ws)
            if job["state"] != "running":
                return job
            time.sleep(0.2)
        raise AssertionError("the run did not end")

    def stop(self):
        self.process.terminate()
        out, err = self.process.communicate(timeout=WAIT)
        return self.process.returncode, out, err


@pytest.fixture(scope="session")
def server(served):
    s = Server(served)
    yield s
    code, out, err = s.stop()
    # A clean stop: no sanitizer report, no crash.
    assert code == 0, err
    assert "ERROR" not in err, err


class Page:
    """One browser tab on the page, with the steps a user takes."""

    def __init__(self, driver, server):
        self.d = driver
        self.server = server
        self.wait = WebDriverWait(driver, WAIT, ignored_exceptions=[StaleElementReferenceException])

    def find(self, css):
        return self.d.find_element(By.CSS_SELECTOR, css)

    def until(self, condition):
        return self.wait.until(lambda d: condition())

    def idle(self):
        self.until(lambda: self.d.execute_script("return document.body.dataset.busy || '0'") == "0")

    def shot(self, name):
        SCREENSHOTS.mkdir(parents=True, exist_ok=True)
        self.d.save_screenshot(str(SCREENSHOTS / (name + ".png")))

    def load(self):
        self.d.get(self.server.url)
        self.until(lambda: self.d.find_elements(By.CSS_SELECTOR, "#files li"))

    def open_data(self, name, fmt="csv"):
        self.find('#files li[data-name="%s"]' % name).click()
        Select(self.find("#format")).select_by_value(fmt)
        self.find("#open-data").click()
        self.until(lambda: self.find("#task-section").is_displayed() and self.find("#c-1000"))
        self.idle()

    def click(self, control):
        self.find("#c-%d" % control).click()
        self.idle()

    def tab(self, page):
        self.find('#task-tabs button[data-page="%d"]' % page).click()

    def type(self, control, text):
        field = self.find("#c-%d" % control)
        field.clear()
        field.send_keys(text)
        field.send_keys("\t")
        self.idle()

    def answer_host(self, choose):
        """Waits for the host's dialog, lets `choose` fill it, presses OK."""
        self.until(lambda: self.find("#host-dialog").is_displayed())
        choose()
        self.find("#host-dialog-ok").click()
        self.until(lambda: not self.find("#host-dialog").is_displayed())
        self.idle()

    def choose_file(self, control, name):
        """A button that asks the host for a file, answered with `name`."""
        self.click(control)

        def fill():
            field = self.find("#host-file")
            field.clear()
            field.send_keys(name)
        self.answer_host(fill)

    def choose_variables(self, lists):
        """Button 1000: `lists` gives the variable names per list."""
        self.click(1000)

        def choose():
            for k, names in enumerate(lists):
                select = Select(self.find("#host-list-%d" % k))
                if select.is_multiple:
                    select.deselect_all()
                for name in names:
                    for option in select.options:
                        if option.text.partition(". ")[2] == name:
                            select.select_by_visible_text(option.text)
        self.answer_host(choose)

    def run_state(self):
        return self.find("#run-state").text

    def press_ok(self, overwrite=True):
        """OK; says Yes when asked to replace the project. The run's end state."""
        self.find("#ok").click()
        self.until(lambda: self.find("#host-dialog").is_displayed()
                   or self.run_state() in ("Done", "Cancelled", "Not run"))
        if self.find("#host-dialog").is_displayed():
            assert "exists" in self.find("#host-question").text
            (self.find("#host-dialog-ok") if overwrite else self.find("#host-dialog-cancel")).click()
            self.until(lambda: self.run_state() in ("Done", "Cancelled", "Not run", "Running"))
        self.until(lambda: self.run_state() in ("Done", "Cancelled", "Not run"))
        if self.run_state() == "Done":
            self.until(lambda: self.find("#results-section").is_displayed() and self.d.find_elements(By.CSS_SELECTOR, "#items tbody tr"))
        self.idle()
        return self.run_state()

    def result_tab(self, caption):
        for b in self.d.find_elements(By.CSS_SELECTOR, "#result-tabs button"):
            if b.text == caption:
                b.click()
                return
        raise AssertionError("no results tab " + caption)

    def result_command(self, control):
        """Clicks a results button; the new document's element."""
        before = len(self.d.find_elements(By.CSS_SELECTOR, "#documents .document"))
        self.find("#r-%d" % control).click()
        self.until(lambda: len(self.d.find_elements(By.CSS_SELECTOR, "#documents .document")) > before
                   or self.d.find_elements(By.CSS_SELECTOR, "#messages .note.module"))
        self.idle()
        documents = self.d.find_elements(By.CSS_SELECTOR, "#documents .document")
        return documents[0] if len(documents) > before else None

    def table_rows(self, document):
        self.until(lambda: document.find_elements(By.CSS_SELECTOR, "tbody tr"))
        return [[td.text for td in tr.find_elements(By.TAG_NAME, "td")]
                for tr in document.find_elements(By.CSS_SELECTOR, "tbody tr")]


@pytest.fixture(scope="session")
def driver():
    options = Options()
    for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1400,1100",
                "--disable-dev-shm-usage"):
        options.add_argument(arg)
    d = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    yield d
    d.quit()


@pytest.fixture
def page(driver, server):
    p = Page(driver, server)
    driver.switch_to.window(driver.window_handles[0])
    driver.delete_all_cookies()
    driver.get("about:blank")
    p.load()
    driver.execute_script("sessionStorage.clear()")
    p.load()
    return p
