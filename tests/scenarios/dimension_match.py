"""What the checkers of saved dimensions share: pairing the dimensions a
scenario should have left with those the drawing holds, and the report.
"""


def match_dimensions(wanted, found, matches, describe_wanted, describe_found):
    """Pairs each wanted dimension with the first found one `matches` accepts
    (each found one pairs once). Returns a text for each wanted one left
    without a partner and each found one left over."""
    left = list(found)
    failures = []
    for w in wanted:
        match = next((d for d in left if matches(d, w)), None)
        if match is None:
            failures.append("no dimension " + describe_wanted(w))
        else:
            left.remove(match)
    failures += ["unexpected dimension " + describe_found(d) for d in left]
    return failures


def report(path, failures, count):
    """Prints the failures (or that all `count` dimensions were found) and
    gives the exit status."""
    for f in failures:
        print(f"{path}: {f}")
    if not failures:
        print(f"{path}: {count} dimension(s) as expected")
    return 1 if failures else 0
