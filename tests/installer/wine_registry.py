#!/usr/bin/env python3
"""Compares two snapshots of a Wine prefix's registry files (system.reg and
user.reg, as saved by the wineserver) and prints every key and value that one
has and the other has not, or has with other data. Timestamps are ignored.

    wine_registry.py BEFORE_DIR AFTER_DIR [--allow PREFIX]... [--ignore PREFIX]...
    wine_registry.py --query PREFIX_DIR KEY [VALUE]

--query prints one value's data (strings unescaped, dwords in decimal; VALUE
@ is the key's default value), or with no VALUE nothing; its exit code is 1 when the key or value is missing.
KEY starts with HKLM, HKCU or HKCR (read from the saved registry files, so
the wineserver must have written them: no Wine process needed).

--allow names keys that may differ (the user's settings); --ignore names the
system's own bookkeeping, which changes whenever programs run. Exit code 1
when anything else differs."""
import sys


def load(path):
    """{key: {value-name: data}} of one .reg file; keys are lower-cased."""
    keys, cur, pending = {}, None, ""
    with open(path, encoding="utf-8", errors="replace") as f:
        for raw in f:
            line = raw.rstrip("\n")
            if pending:
                line, pending = pending + line.lstrip(), ""
            if line.endswith("\\") and not line.startswith("["):
                pending = line[:-1]
                continue
            if line.startswith("["):
                cur = line[1:line.rindex("]")].replace("\\\\", "\\").lower()
                keys.setdefault(cur, {})
            elif cur is not None and line and not line.startswith(("#", ";")):
                name, _, data = line.partition("=")
                keys[cur][name.lower()] = data
    return keys


def differences(before, after):
    out = []
    for key in sorted(set(before) | set(after)):
        if key not in before:
            out.append(("added", key, None))
        elif key not in after:
            out.append(("removed", key, None))
        else:
            b, a = before[key], after[key]
            for name in sorted(set(b) | set(a)):
                if b.get(name) != a.get(name):
                    out.append(("changed", key, "%s: %s -> %s" % (name, b.get(name), a.get(name))))
    return out


HIVES = {"hklm": ("system.reg", ""), "hkcr": ("system.reg", "software\\classes\\"),
         "hkcu": ("user.reg", "")}


def query(prefix, key, value=None):
    root, _, rest = key.partition("\\")
    hive, base = HIVES[root.lower()]
    keys = load("%s/%s" % (prefix, hive))
    values = keys.get(base + rest.lower())
    if values is None:
        return 1
    if value is None:
        return 0
    data = values.get("@" if value == "@" else '"%s"' % value.lower())
    if data is None:
        return 1
    if data.startswith('"'):
        data = data[1:-1].replace('\\"', '"').replace("\\\\", "\\")
    elif data.startswith("dword:"):
        data = str(int(data[6:], 16))
    print(data)
    return 0


def main(argv):
    if len(argv) >= 4 and argv[1] == "--query":
        return query(argv[2], argv[3], argv[4] if len(argv) > 4 else None)
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    allow, ignore = [], []
    i = 3
    while i < len(argv):
        (allow if argv[i] == "--allow" else ignore).append(argv[i + 1].lower())
        i += 2
    bad = 0
    for hive in ("system.reg", "user.reg"):
        for kind, key, detail in differences(load("%s/%s" % (argv[1], hive)), load("%s/%s" % (argv[2], hive))):
            if any(key.startswith(p) for p in ignore):
                continue
            ok = any(key.startswith(p) for p in allow)
            print("%s %s %s [%s]%s" % ("allowed" if ok else "LEFT", hive, kind, key,
                                        " " + detail if detail else ""))
            bad += 0 if ok else 1
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
