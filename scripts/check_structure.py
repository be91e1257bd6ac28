#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Checks two rules of the sources' shape, for the libraries and the program (channels, testpages,
# core, app, printer):
#  - no function body is longer than 80 lines (tables of data are not functions: a table of short
#    lambdas counts each lambda alone);
#  - no include cycle between components, a component being a header with its source (x.h and
#    x.cpp): x includes y and y, through whatever else, includes x.
# Usage: check_structure.py ROOT [--allow FILE:FUNCTION]...; exits 1 naming what breaks a rule.
import os
import re
import sys

LIMIT = 80
DIRS = ["channels", "testpages", "core", "app", "printer"]


def stripped(text):
    """The source without comments, string and character literals, lines kept."""
    keep_lines = lambda m: "\n" * m.group(0).count("\n")
    text = re.sub(r"//[^\n]*", "", text)
    text = re.sub(r"/\*.*?\*/", keep_lines, text, flags=re.S)
    text = re.sub(r'R"([^(]*)\((.*?)\)\1"', lambda m: '""' + keep_lines(m), text, flags=re.S)
    text = re.sub(r'"(\\.|[^"\\\n])*"', '""', text)
    return re.sub(r"'(\\.|[^'\\\n])+'", "''", text)


FUNCTION_HEAD = re.compile(r"\)\s*(const|override|noexcept|final|mutable|->[^{;]*|\s)*$")
CONTROL_HEAD = re.compile(r"\b(if|for|while|switch|catch)\s*\(.*\)\s*$")


def long_functions(path):
    """(name, first line, length) of each function body over the limit."""
    found = []
    stack = []  # (is a function, first line, name)
    head = ""
    for number, line in enumerate(stripped(open(path, encoding="utf-8").read()).split("\n"), 1):
        for c in line:
            if c == "{":
                h = head.strip()
                in_function = any(f for f, _, _ in stack)
                function = bool(FUNCTION_HEAD.search(h)) and not CONTROL_HEAD.search(h) and not in_function
                name = re.findall(r"([~\w:]+)\s*\(", h)
                stack.append((function, number, name[0] if name else "lambda"))
                head = ""
            elif c == "}":
                if stack:
                    function, first, name = stack.pop()
                    if function and number - first + 1 > LIMIT:
                        found.append((name, first, number - first + 1))
                head = ""
            elif c == ";":
                head = ""
            else:
                head += c
        head += " "
    return found


def include_cycles(root, files):
    edges = {}
    for path in files:
        node = os.path.relpath(path, root).rsplit(".", 1)[0]
        edges.setdefault(node, set())
        for target in re.findall(r'^#include "([^"]+)\.h"', open(path, encoding="utf-8").read(), re.M):
            if target != node and os.path.exists(os.path.join(root, target + ".h")):
                edges[node].add(target)
    # Tarjan's strongly connected components: every one of more than one component is a cycle.
    index, low, stack, on_stack, cycles = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on_stack.add(v)
        for w in sorted(edges.get(v, ())):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1:
                cycles.append(sorted(component))

    sys.setrecursionlimit(10000)
    for v in sorted(edges):
        if v not in index:
            visit(v)
    return cycles


def main(argv):
    root = argv[1]
    allowed = {argv[i + 1] for i in range(2, len(argv) - 1) if argv[i] == "--allow"}
    files = sorted(
        os.path.join(r, f)
        for d in DIRS
        for r, _, names in os.walk(os.path.join(root, d))
        for f in names
        if f.endswith((".h", ".cpp"))
    )
    problems = []
    for path in files:
        relative = os.path.relpath(path, root)
        for name, first, length in long_functions(path):
            if f"{relative}:{name}" not in allowed:
                problems.append(f"{relative}:{first}: {name} is {length} lines (at most {LIMIT})")
    for cycle in include_cycles(root, files):
        problems.append("include cycle among " + ", ".join(cycle))
    for problem in problems:
        print(problem)
    if not problems:
        print(f"no function over {LIMIT} lines, no include cycle")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
