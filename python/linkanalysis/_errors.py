"""The exceptions of linkanalysis; each carries the module's message."""


class LinkanError(Exception):
    """A run, an output or a project could not be made (the module's message)."""


class DataError(LinkanError, ValueError):
    """The data could not be read: the message names the file (or "DataFrame"),
    line and column, as `linkan run` reports them."""


class TaskError(LinkanError, ValueError):
    """The module refused the task. `key` is the task key the message names
    (None when it names none)."""

    def __init__(self, message, key=None):
        super().__init__(message)
        self.key = key


class OutOfMemoryError(LinkanError, MemoryError):
    """The run outgrew its memory limit (or the machine's memory)."""


class LinkanWarning(UserWarning):
    """What `linkan run` prints as a warning: a default the task left out, a
    selected item that is not in the item list, a question answered Yes."""
