"""`linkan serve` in a real browser: the analyses a user makes, from
picking the file to the results, and the server's refusals."""

import csv
import os
import subprocess
import time

from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select

from conftest import WAIT


def read_rules(path):
    with open(path, encoding="utf-8") as f:
        return list(csv.reader(f))[1:]


def basket_task(page):
    """market_basket.csv as a non-sequential association analysis."""
    page.open_data("market_basket.csv")
    page.click(1044)
    page.choose_variables([["ID"], ["item"], [], []])
    assert page.find("#c-1037").text == "ID"
    assert page.find("#c-1002").text == "item"
    page.tab(1)
    page.type(1013, "0.2")
    page.type(1014, "0.5")
    page.type(1005, "3")
    page.type(1010, "1")


def test_basket_analysis_from_file_to_rules_and_web_graph(page, served):
    basket_task(page)
    page.shot("01-basket-task")
    assert page.press_ok() == "Done"
    page.shot("02-basket-results")
    rules = page.table_rows(page.result_command(1022))
    page.shot("03-basket-rules")
    # The same rules as `linkan run` of the same task (its rules.csv).
    expected = read_rules(served / "model" / "rules.csv")
    assert len(rules) == len(expected)
    assert [[c.strip() for c in r[1:4]] for r in rules] == [[c.strip() for c in r[1:4]] for r in expected]

    # Sorting the item list by frequency, descending, as header clicks.
    header = page.find('#items th[data-column="1"]')
    header.click()
    page.idle()
    page.find('#items th[data-column="1"]').click()
    page.idle()
    page.until(lambda: "\u25bc" in page.find('#items th[data-column="1"]').text)
    counts = [int(tr.find_elements(By.TAG_NAME, "td")[2].text)
              for tr in page.d.find_elements(By.CSS_SELECTOR, "#items tbody tr")]
    assert counts == sorted(counts, reverse=True)

    # Select beer and diapers only, then the web graph of the two.
    for tr in page.d.find_elements(By.CSS_SELECTOR, "#items tbody tr"):
        box = tr.find_element(By.CSS_SELECTOR, ".item-select")
        if box.is_selected() != (tr.find_elements(By.TAG_NAME, "td")[1].text in ("beer", "diapers")):
            box.click()
            page.idle()
    page.result_tab("Visualization")
    graph = page.result_command(1074)
    assert graph is not None and "picture" in graph.get_attribute("class")
    image = graph.find_element(By.CSS_SELECTOR, "img.doc-picture")
    page.until(lambda: page.d.execute_script("return arguments[0].complete && arguments[0].naturalWidth", image))
    assert "Web graph" in graph.find_element(By.CSS_SELECTOR, "h3").text
    page.shot("04-basket-web-graph")

    # The downloads: the documents, both models, the project.
    ws = page.d.execute_script("return sessionStorage.getItem('linkan.ws')")
    table = page.d.find_element(By.CSS_SELECTOR, '#documents .document.table').get_attribute("data-id")
    picture = graph.get_attribute("data-id")
    status, kind, body = page.server.raw("/api/ws/%s/download/%s.csv" % (ws, table))
    assert status == 200 and kind.startswith("text/csv")
    assert body.decode().splitlines()[1:] == (served / "model" / "rules.csv").read_text().splitlines()[1:]
    for suffix, start in (("svg", b"<?xml"), ("png", b"\x89PNG")):
        status, kind, body = page.server.raw("/api/ws/%s/download/%s.%s" % (ws, picture, suffix))
        assert status == 200 and body.startswith(start), suffix
    for dialect, root in (("native", b"<PMML"), ("4.4", b"<PMML")):
        status, kind, body = page.server.raw("/api/ws/%s/model/%s" % (ws, dialect))
        assert status == 200 and root in body[:400], dialect
    status, kind, body = page.server.raw("/api/ws/%s/project" % ws)
    assert status == 200 and body.startswith(b"SQLite format 3")


def test_sequence_analysis_with_a_time_variable(page, served):
    page.open_data("web_sequences.csv")
    page.find("#task-path").clear()
    page.find("#task-path").send_keys("web_sequences.task.json")
    page.find("#task-load").click()
    page.idle()
    # The task's time variable is on the Quick page, its sequence pages shown.
    page.tab(0)
    page.until(lambda: page.find("#c-1039").text == "minute")
    captions = [b.text for b in page.d.find_elements(By.CSS_SELECTOR, "#task-tabs button")]
    assert "Sequence" in captions and "Nonsequential" in captions
    page.tab(5)
    page.type(1054, "sequences.dbs")
    page.shot("05-sequence-task")
    assert page.press_ok() == "Done"
    rules = page.table_rows(page.result_command(1022))
    assert rules and all("==>" in " ".join(r) for r in rules)
    assert page.find("#r-1022").text == "Sequence rules"
    page.shot("06-sequence-rules")


def test_a_saved_task_runs_with_linkan_run_and_loads_back(page, served):
    basket_task(page)
    page.find("#task-path").clear()
    page.find("#task-path").send_keys("saved.task.json")
    page.find("#task-save").click()
    page.until(lambda: (served / "saved.task.json").exists())
    out = served / "saved-out"
    subprocess.run([os.environ["LINKAN"], "--progress", "none", "run", str(served / "market_basket.csv"),
                    "--task", str(served / "saved.task.json"), "--out", str(out)],
                   check=True, capture_output=True)
    assert (out / "rules.csv").read_text() == (served / "model" / "rules.csv").read_text()
    # Loaded into a new analysis, it sets the same fields.
    page.open_data("market_basket.csv")
    page.find("#task-load").click()
    page.idle()
    page.until(lambda: page.find("#c-1037").text == "ID")
    page.tab(1)
    assert page.find("#c-1013").get_attribute("value") == "0.2"


def test_invalid_minimum_support_shows_the_modules_message_at_its_field(page):
    basket_task(page)
    page.type(1013, "5")
    page.find("#ok").click()
    page.until(lambda: page.d.find_elements(By.ID, "control-message"))
    message = page.find("#control-message")
    # Shown on the Advanced page, right after the minimum support field.
    assert page.find('#task-tabs button.current').text == "Advanced"
    field = page.find('[data-control="1013"]')
    assert page.d.execute_script("return arguments[0].nextElementSibling === arguments[1]", field, message)
    assert message.text
    page.shot("07-invalid-support")
    # The module's own message: the same one a task file gets.
    status, answer = page.server.call("POST", "/api/open", {"data": "market_basket.csv"})
    ws = answer["workspace"]
    page.server.call("POST", "/api/ws/%s/task/click" % ws, {"id": 1044})
    page.server.call("POST", "/api/ws/%s/task/click" % ws,
                     {"id": 1000, "answers": {"variables": [[1], [2], [], []]}})
    page.server.call("POST", "/api/ws/%s/task/type" % ws, {"id": 1013, "text": "5"})
    page.server.call("POST", "/api/ws/%s/task/ok" % ws, {})
    job = page.server.wait_job(ws)
    assert job["state"] == "failed" and job["control"] == 1013
    assert job["message"] == message.text


def test_taxonomy_file_and_roles(page, served):
    page.open_data("grocery.csv")
    page.click(1044)
    page.choose_variables([["basket"], ["item"], [], []])
    page.tab(1)
    for field, value in ((1013, "0.2"), (1014, "0.6"), (1005, "3"), (1010, "1")):
        page.type(field, value)
    page.tab(3)
    page.click(1050)
    page.choose_file(1047, "grocery-taxonomy.csv")
    assert page.find("#c-1048").text == "grocery-taxonomy.csv"
    page.click(1049)

    def roles():
        assert "Item names" in page.find("#host-dialog-body").text
        for k, name in ((0, "item"), (1, "group"), (2, "department"), (6, "ignore")):
            Select(page.find("#host-role-%d" % k)).select_by_visible_text(name)
        page.shot("14-taxonomy-roles")
    page.answer_host(roles)
    page.tab(5)
    page.type(1054, "grocery.dbs")
    assert page.press_ok() == "Done"
    # As `linkan run` of the example's task file, which names the same roles.
    out = served / "grocery-out"
    subprocess.run([os.environ["LINKAN"], "--progress", "none", "run",
                    str(served / "grocery.csv"), "--task", str(served / "grocery.task.json"),
                    "--out", str(out)], check=True, capture_output=True)
    table = page.result_command(1022)
    page.table_rows(table)  # the first page, 100 rows
    total = len(read_rules(out / "rules.csv"))
    assert total > 100
    assert table.find_element(By.CSS_SELECTOR, ".pager-text").text == "rows 1 to 100 of %d" % total


def long_run(page, project):
    page.open_data("long.csv")
    page.click(1044)
    page.choose_variables([["ID"], ["item"], [], []])
    page.tab(5)
    page.type(1054, project)
    page.find("#ok").click()
    page.until(lambda: page.run_state() == "Running" and page.find("#run-phase").text)


def test_cancel_stops_a_long_run_and_the_page_goes_on(page):
    long_run(page, "long.dbs")
    time.sleep(1)
    page.shot("08-long-run")
    started = time.time()
    page.find("#run-cancel").click()
    page.until(lambda: page.run_state() == "Cancelled")
    assert time.time() - started < WAIT
    page.shot("09-cancelled")
    # The tab can run again at once: the same data with itemsets of at most
    # two items, which it finishes.
    page.tab(1)
    page.type(1005, "2")
    assert page.press_ok() == "Done"


def test_reopen_a_project_into_its_results(page, served):
    # The project the basket test made (it runs first, in file order).
    page.find('#files li[data-name="LinkAnalysis.dbs"]').click()
    page.find("#open-project").click()
    page.until(lambda: page.find("#results-section").is_displayed()
               and page.d.find_elements(By.CSS_SELECTOR, "#items tbody tr"))
    page.idle()
    assert "6 frequent items" in page.find("#results-summary").text
    rules = page.table_rows(page.result_command(1022))
    assert len(rules) == len(read_rules(served / "model" / "rules.csv"))
    page.shot("10-reopened-project")


def test_model_query(page):
    page.open_data("market_basket.csv")
    page.tab(5)
    page.click(1064)
    page.click(1066)
    page.choose_file(1194, "model/model.pmml")
    assert page.find("#c-1195").text == "model.pmml"
    page.shot("11-recommendation-task")
    assert page.press_ok() == "Done"
    assert [b.text for b in page.d.find_elements(By.CSS_SELECTOR, "#result-tabs button")] == ["Deployment"]
    field = page.find("#r-1215")
    field.send_keys("beer")
    field.send_keys("\t")
    page.idle()
    rows = page.table_rows(page.result_command(1211))
    assert rows and all("beer" in r[1] for r in rows)
    page.shot("12-model-query")


def test_item_names_are_shown_as_text(page):
    page.open_data("markup.csv")
    page.click(1044)
    page.choose_variables([["ID"], ["item"], [], []])
    page.tab(5)
    page.type(1054, "markup.dbs")
    assert page.press_ok() == "Done"
    names = [tr.find_elements(By.TAG_NAME, "td")[1].text
             for tr in page.d.find_elements(By.CSS_SELECTOR, "#items tbody tr")]
    assert "<script>alert(1)</script>" in names and "a&amp;b" in names
    assert not page.d.find_elements(By.CSS_SELECTOR, "#items script")


def test_two_tabs_on_one_project(page, server):
    long_run(page, "shared.dbs")
    first = page.d.current_window_handle
    page.d.switch_to.new_window("tab")
    try:
        page.load()
        basket_task(page)
        page.tab(5)
        page.type(1054, "shared.dbs")
        page.find("#ok").click()
        page.until(lambda: any("busy" in n.text for n in page.d.find_elements(By.CSS_SELECTOR, "#messages .note")))
        notes = [n.text for n in page.d.find_elements(By.CSS_SELECTOR, "#messages .note")]
        assert any("shared.dbs is being analysed in another tab" in n for n in notes), notes
        page.shot("13-second-tab-busy")
    finally:
        page.d.close()
        page.d.switch_to.window(first)
    page.find("#run-cancel").click()
    page.until(lambda: page.run_state() == "Cancelled")


def test_a_run_nobody_watches_is_cancelled(server):
    status, answer = server.call("POST", "/api/open", {"data": "long.csv"})
    ws = answer["workspace"]
    server.call("POST", "/api/ws/%s/task/click" % ws, {"id": 1044})
    server.call("POST", "/api/ws/%s/task/click" % ws, {"id": 1000, "answers": {"variables": [[1], [2], [], []]}})
    server.call("POST", "/api/ws/%s/task/type" % ws, {"id": 1054, "text": "unwatched.dbs"})
    status, answer = server.call("POST", "/api/ws/%s/task/ok" % ws, {"answers": {"question": True}})
    assert status == 200
    time.sleep(7)  # the server was started with --unwatched-run-limit 4
    status, job = server.call("GET", "/api/ws/%s/job" % ws)
    assert job["state"] == "cancelled" and "no page watched" in job["message"], job


def test_requests_without_the_token_or_outside_the_root_are_refused(server, served):
    for method, path in (("GET", "/"), ("GET", "/api/files"), ("POST", "/api/open")):
        status, answer = server.call(method, path, {} if method == "POST" else None, token=False)
        assert status == 403, path
    status, _ = server.call("GET", "/api/files", headers={"X-Linkan-Token": "0" * 32})
    assert status == 403
    status, _ = server.call("GET", "/api/files", headers={"Host": "attacker.example:80"})
    assert status == 403
    outside = [
        "../etc/passwd", "/etc/passwd", "outside/etc-link/passwd", "model/../../x.csv",
        str(served.parent / "x.csv"),
    ]
    for name in outside:
        status, answer = server.call("POST", "/api/open", {"data": name})
        assert status == 400 and "outside the served folder" in answer["error"], (name, answer)
    status, answer = server.call("GET", "/api/files?dir=outside/etc-link")
    assert status == 400
    status, answer = server.call("GET", "/api/files?dir=outside")
    assert answer["entries"] == []  # the link out of the root is not listed
    status, answer = server.call("GET", "/api/files?dir=..")
    assert status == 400
    # Inside the root an absolute name is fine.
    status, answer = server.call("POST", "/api/open", {"data": str(served / "market_basket.csv")})
    assert status == 200
    # Not JSON: refused.
    status, answer = server.call("POST", "/api/open", None, headers={"Content-Type": "text/plain"})
    assert status == 415
    # An upload is saved whole under the root, never over a file, never in
    # another folder.
    status, answer = server.call("POST", "/api/upload", {"name": "up.csv", "text": "a,b\n1,x\n"})
    assert status == 200 and (served / "up.csv").read_text() == "a,b\n1,x\n"
    status, answer = server.call("POST", "/api/upload", {"name": "up.csv", "text": "other"})
    assert status == 409 and (served / "up.csv").read_text() == "a,b\n1,x\n"
    status, answer = server.call("POST", "/api/upload", {"name": "../up.csv", "text": "a\n1\n"})
    assert status == 400
