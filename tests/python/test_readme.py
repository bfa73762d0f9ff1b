"""The README's Python example runs as written (beside the examples folder)."""

import os
import subprocess
import sys

from conftest import EXAMPLES, ROOT


def readme_example():
    lines = (ROOT / "README.md").read_text(encoding="utf-8").splitlines()
    start = lines.index("    import pandas as pd")
    code = []
    for line in lines[start:]:
        if line and not line.startswith("    "):
            break
        code.append(line[4:])
    return "\n".join(code)


def test_readme_example_runs(tmp_path):
    script = tmp_path / "example.py"
    script.write_text(readme_example(), encoding="utf-8")
    (tmp_path / "examples").symlink_to(EXAMPLES)
    env = dict(os.environ, TMPDIR=str(tmp_path))  # its default project goes there
    done = subprocess.run([sys.executable, str(script)], cwd=tmp_path, env=env,
                          capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    assert "association rules" in done.stdout
    assert (tmp_path / "support-chart.svg").read_text(encoding="utf-8").lstrip().startswith("<")
