"""Progress reporting: a callback, or a tqdm bar when tqdm is installed."""


class TqdmProgress:
    """Shows the run's bars as tqdm bars, one per title. A bar without a total
    (the enumeration's count of patterns) shows a count."""

    def __init__(self, tqdm):
        self._tqdm = tqdm
        self._bar = None
        self._title = None

    def __call__(self, title, position, total):
        if self._bar is None or title != self._title or total != self._bar.total:
            self.close()
            self._title = title
            self._bar = self._tqdm(total=total, desc=title or "linkan", leave=False)
        self._bar.n = position
        self._bar.refresh()

    def close(self):
        if self._bar is not None:
            self._bar.close()
            self._bar = None


def make_progress(progress):
    """The callback for run()'s `progress`: a callable as given, None or False
    for none, True or "auto" for tqdm (with "auto" only when tqdm is installed).
    Returns (callback, closer)."""
    if progress is None or progress is False:
        return None, lambda: None
    if callable(progress):
        return progress, lambda: None
    if progress is True or progress == "auto":
        try:
            from tqdm.auto import tqdm
        except ImportError:
            if progress is True:
                raise
            return None, lambda: None
        bars = TqdmProgress(tqdm)
        return bars, bars.close
    raise TypeError("progress: a callable, True, False, None or 'auto'")
