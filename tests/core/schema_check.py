#!/usr/bin/python3
"""Holds the decoder to docs/input.schema.json: the lines of the decoder's table tests, the
streams given (the demo, the fuzz seeds) and a few lines at the decoder's limits are judged by
the schema (Debian's python3-jsonschema) and by the decoder (nvx-decode); a line judged
differently fails. Where the decoder does what a schema cannot say, a rule named after the
schema's description decides, and every rule must decide a line.

Usage: schema_check.py SCHEMA NVX_DECODE DECODER_TEST_SOURCE STREAM_OR_FOLDER...
"""
import glob
import itertools
import json
import math
import os
import re
import subprocess
import sys
import tempfile
import threading

import jsonschema

MAX_LINE = 16 << 20  # LineFramer::kMaxLine
MAX_DEPTH = 1024  # MessageDecoder::kMaxDepth (simdjson's default)

# Each rule of the schema's description that a schema cannot say, with a phrase of it.
RULES = {
    "LineOver16MiB": "a line over 16 MiB",
    "NestingOver1024": "nesting deeper than 1024",
    "InvalidUtf8Repaired": "invalid UTF-8 is replaced by U+FFFD",
    "LoneSurrogateEscape": "lone UTF-16 surrogate",
    "NumberOutOfRange": "out of the 64-bit range",
    "RepeatedKey": "a key repeated in one object",
}


class Dropped(Exception):
    """The decoder drops the line by the named rule."""


def number(text):
    value = float(text)
    if math.isinf(value):
        raise Dropped("NumberOutOfRange")
    return value


def integer(text):
    value = int(text)
    if not -(1 << 63) <= value < 1 << 64:
        raise Dropped("NumberOutOfRange")
    return value


def no_constant(text):
    raise ValueError(text)  # NaN and Infinity are not JSON


class Pairs(list):
    """An object as written, repeated keys and all."""


def walk(value, depth=1):
    """The deepest nesting under `value`, and whether a text in it holds a lone surrogate."""
    deepest, surrogate = depth, False
    children = value if isinstance(value, list) else []
    for child in children:
        if isinstance(value, Pairs):
            surrogate |= bool(re.search("[\ud800-\udfff]", child[0]))
            child = child[1]
        if isinstance(child, str):
            surrogate |= bool(re.search("[\ud800-\udfff]", child))
        elif isinstance(child, list):
            d, s = walk(child, depth + 1)
            deepest, surrogate = max(deepest, d), surrogate or s
    return deepest, surrogate


def variants(value):
    """Every plain value that `value` stands for: one per choice among a repeated key's values."""
    if isinstance(value, Pairs):
        keys = {}
        for key, child in value:
            keys.setdefault(key, []).extend(variants(child))
        return [dict(zip(keys, choice)) for choice in itertools.product(*keys.values())]
    if isinstance(value, list):
        return [list(choice) for choice in itertools.product(*map(variants, value))]
    return [value]


def judge(validator, line):
    """Whether the schema, with the rules, accepts the line; and the rule that decided, if any."""
    if len(line) > MAX_LINE:
        return False, "LineOver16MiB"
    rule = None
    try:
        text = line.decode("utf-8")
    except UnicodeDecodeError:
        text, rule = line.decode("utf-8", "replace"), "InvalidUtf8Repaired"
    try:
        value = json.loads(text, object_pairs_hook=Pairs, parse_float=number,
                           parse_int=integer, parse_constant=no_constant)
    except Dropped as dropped:
        return False, str(dropped)
    except ValueError:
        return False, rule
    deepest, surrogate = walk(value) if isinstance(value, list) else (0, False)
    if deepest > MAX_DEPTH:
        return False, "NestingOver1024"
    if surrogate:
        return False, "LoneSurrogateEscape"
    plain = variants(value)  # more than one only where a key repeats
    if len(plain) > 1:
        rule = rule or "RepeatedKey"
    return all(validator.is_valid(v) for v in plain), rule


# The decoder's table tests, read from their source: each row's name, its line (a C++
# expression of string literals, the file's string helpers and constants, and `+`) and whether
# the table expects it decoded, which the decoder must confirm: else the row was misread.
TOKEN = re.compile(r'\s*(?:R"([^(]*)\((.*?)\)\1"|"((?:[^"\\]|\\.)*)"|(std::string)\(|'
                   r'(\w+)\(|(\w+)|([+,)]))', re.S)
ESCAPE = re.compile(rb'\\(x[0-9A-Fa-f]{2}|.)')


def literal(body):
    unescape = {b"n": b"\n", b"t": b"\t", b"r": b"\r"}
    return ESCAPE.sub(lambda m: bytes([int(m[1][1:], 16)]) if m[1][:1] == b"x"
                      else unescape.get(m[1], m[1]), body.encode())


class Source:
    def __init__(self, text, support=""):
        self.text = text
        self.names = dict(re.findall(r"const std::string (\w+) = (.*?);\n", text))
        # String helpers of the file and of the tests' support: their parameters (name and
        # default) and the expression they return.
        self.helpers = {}
        for m in re.finditer(r"std::string (\w+)\(((?:\s*std::string_view \w+(?: = \"\")?,?)+)\)"
                             r" \{\s*return (.*?);\n\}", support + text, re.S):
            params = [(p.split()[1], "=" in p) for p in m[2].split(",")]
            self.helpers[m[1]] = (params, m[3])

    def call(self, name, args):
        params, body = self.helpers[name]
        args = args + [b""] * (len(params) - len(args))  # the defaults are all ""
        return self.expr(body, 0, {p: a for (p, _), a in zip(params, args)})[0]

    def expr(self, text, pos, scope):
        """The bytes of the expression at `pos`, and where it ends (before a `,` or `)`)."""
        data = b""
        while True:
            m = TOKEN.match(text, pos)
            if not m and text[pos:].strip():
                raise ValueError(f"cannot read {text[pos:pos + 60]!r}")
            if not m or m[7] in (",", ")"):
                return data, pos
            pos = m.end()
            if m[2] is not None:
                data += m[2].encode()
            elif m[3] is not None:
                data += literal(m[3])
            elif m[4] or m[5]:
                args = []
                while True:
                    arg, pos = self.expr(text, pos, scope)
                    args.append(arg)
                    sep = TOKEN.match(text, pos)
                    pos = sep.end()
                    if sep[7] == ")":
                        break
                data += self.call(m[5], args) if m[5] else args[0]
            elif m[6]:
                data += scope[m[6]] if m[6] in scope else self.expr(self.names[m[6]], 0, {})[0]

    def rows(self, start, end, row, wrap=None):
        start = self.text.index(start)
        table = self.text[start:self.text.index(end, start)]
        for m in re.finditer(row, table, re.M):
            line, pos = self.expr(table, m.end(), {})
            if wrap:
                line = self.call(wrap, [b"", line])
            expected = re.match(r",\s*(true|false)\}", table[pos:])
            yield m[1], line, expected[1] == "true" if expected else True


def table_lines(path):
    support = os.path.join(os.path.dirname(path), "..", "support", "Agent.h")
    source = Source(open(path, encoding="utf-8").read(), open(support, encoding="utf-8").read())
    whole = list(source.rows("DecodesOrDropsTheWholeLine", "}) {", r'Case\{"(\w+)",'))
    fields = list(source.rows("const Case cases[] = {", "};", r'^\s*\{"(\w+)",', "menuJson"))
    assert whole and fields and len(whole) == source.text.count('Case{"'), \
        "the tables were not read whole"
    return whole + fields


def framed(data):
    """The lines of a stream as the agent frames them: at LF, one CR before it dropped."""
    *lines, last = data.split(b"\n")
    lines = [line[:-1] if line.endswith(b"\r") else line for line in lines]
    return lines + ([last] if last else [])


def limit_lines():
    note = b'{"notify":{"title":"","body":"%s"}}'
    pad = MAX_LINE - len(note % b"")
    deep = lambda levels: b'{"x":' + b"[" * (levels - 1) + b"]" * (levels - 1) + b"}"
    return [("LineOf16MiB", note % (b"x" * pad)), ("LineOver16MiB", note % (b"x" * (pad + 1))),
            ("Nesting1024", deep(MAX_DEPTH)), ("Nesting1025", deep(MAX_DEPTH + 1)),
            ("LargestInteger", b'{"x":[18446744073709551615,-9223372036854775808]}'),
            ("IntegerOver64Bits", b'{"x":18446744073709551616}'),
            ("IntegerUnder64Bits", b'{"x":-9223372036854775809}'),
            ("LargestDouble", b'{"x":1.7976931348623157e308}'),
            ("NumberOverDouble", b'{"x":1e309}')]


def decoder_verdicts(decode, stream):
    out = subprocess.run([decode, stream], capture_output=True, check=True).stdout.decode()
    return [m[1] == "message" for m in re.finditer(r"^line \d+: (dropped|message)", out, re.M)]


def main(schema_path, decode, test_source, *streams):
    schema = json.load(open(schema_path, encoding="utf-8"))
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    failures = [f"{rule}: not in the schema's description" for rule, phrase in RULES.items()
                if phrase not in schema["description"]]

    # (where, [(name, line, the verdict the table expects, or None)], the decoder's verdicts)
    groups = []
    with tempfile.NamedTemporaryFile(suffix=".jsonl") as own:
        named = table_lines(test_source) + [(n, l, None) for n, l in limit_lines()]
        assert not any(b"\n" in line or line.endswith(b"\r") for _, line, _ in named)
        own.write(b"".join(line + b"\n" for _, line, _ in named))
        own.flush()
        groups.append(("tables", named, decoder_verdicts(decode, own.name)))
    for stream in itertools.chain.from_iterable(
            sorted(glob.glob(f"{s}/*.jsonl")) if os.path.isdir(s) else [s] for s in streams):
        lines = framed(open(stream, "rb").read())
        name = os.path.basename(stream)
        groups.append((stream, [(f"{name}:{i}", line, None) for i, line in enumerate(lines, 1)],
                       decoder_verdicts(decode, stream)))

    decided, count = {}, 0
    for where, lines, verdicts in groups:
        # nvx-decode never sees a line over the limit: the framing skips it.
        delivered = [len(line) <= MAX_LINE for _, line, _ in lines]
        assert len(verdicts) == sum(delivered), f"{where}: nvx-decode saw another number of lines"
        verdicts = iter(verdicts)
        for (name, line, expected), seen in zip(lines, delivered):
            decoded = next(verdicts) if seen else False
            count += 1
            accepted, rule = judge(validator, line)
            decided.setdefault(rule, []).append(name)
            word = lambda accepts: "accepts" if accepts else "drops"
            if expected is not None and expected != decoded:
                failures.append(f"{where}: {name}: the table expects that the decoder "
                                f"{word(expected)} it, the decoder {word(decoded)} it")
            elif accepted != decoded:
                failures.append(f"{where}: {name} ({rule or 'schema'}): the schema "
                                f"{word(accepted)}, the decoder {word(decoded)}: {line[:200]!r}")
    for rule in RULES:
        print(f"{rule}: {', '.join(decided.get(rule, []))}")
        if rule not in decided:
            failures.append(f"{rule}: no line falls under it")
    print("\n".join(failures) or f"{count} lines, judged alike by the schema and the decoder")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.setrecursionlimit(100000)
    threading.stack_size(512 << 20)  # deep menus walk the validator deep
    result = []
    worker = threading.Thread(target=lambda: result.append(main(*sys.argv[1:])))
    worker.start()
    worker.join()
    sys.exit(result[0] if result else 2)
