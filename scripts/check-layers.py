#!/usr/bin/env python3
"""Fails when a source under src/ includes a folder its layer may not use, or when the
list of allowed edges (scripts/layers.txt) has a cycle.

Usage: check-layers.py ROOT [LAYERS]   (LAYERS defaults to ROOT/scripts/layers.txt)
"""

import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
RULE = re.compile(r"^(except\s+)?([\w./*-]+)\s*:\s*(.*)$")
WILDCARD = "backends/*"
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".inl")


class Layers:
    """The parsed list: what each folder may include, and the single-header exceptions."""

    def __init__(self, path):
        self.path = path
        self.uses = {}  # folder -> the folders it names
        self.excepts = {}  # header -> the folders that may include it
        self.lines = {}  # folder or header -> line number, for messages
        self.errors = []
        with open(path, encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                line = line.split("#", 1)[0].strip()
                if not line:
                    continue
                match = RULE.match(line)
                if not match:
                    self.errors.append(f"{path}:{number}: expected 'folder: folders...'")
                    continue
                is_except, name, rest = match.groups()
                table = self.excepts if is_except else self.uses
                if name in table:
                    self.errors.append(f"{path}:{number}: {name} is listed twice")
                table[name] = rest.split()
                self.lines[name] = number


def nodes_of(src):
    """The folders (and loose files) under src that the list must cover."""
    nodes = set()
    for entry in os.listdir(src):
        path = os.path.join(src, entry)
        if entry == "backends" and os.path.isdir(path):
            nodes.update("backends/" + b for b in os.listdir(path)
                         if os.path.isdir(os.path.join(path, b)))
        elif os.path.isdir(path) or entry.endswith(SOURCE_SUFFIXES):
            nodes.add(entry)
    return nodes


def node_of_include(include, nodes):
    parts = include.split("/")
    if len(parts) > 2 and parts[0] == "backends":
        name = "backends/" + parts[1]
    elif len(parts) > 1:
        name = parts[0]
    else:
        return None
    return name if name in nodes else None


def edges(layers, nodes, errors):
    """Each folder's direct allowed folders, with the wildcard expanded."""
    backends = sorted(n for n in nodes if n.startswith("backends/"))
    graph = {}
    for node in sorted(nodes):
        rule = layers.uses.get(node)
        if rule is None and node.startswith("backends/"):
            rule = layers.uses.get(WILDCARD)
        if rule is None:
            errors.append(f"src/{node} has no line in {layers.path}")
            continue
        targets = set()
        for target in rule:
            if target == WILDCARD:
                targets.update(b for b in backends if b != node)
            elif target in nodes:
                targets.add(target)
            else:
                errors.append(f"{layers.path}:{layers.lines.get(node, layers.lines.get(WILDCARD))}: "
                              f"{node} names {target}, which is not a folder under src")
        graph[node] = targets
    for name in layers.uses:
        if name != WILDCARD and name not in nodes:
            errors.append(f"{layers.path}:{layers.lines[name]}: src/{name} does not exist")
    return graph


def find_cycle(graph):
    """A list of folders forming a cycle, or None."""
    state = {}  # node -> "open" while on the path, "done" after

    def visit(node, path):
        state[node] = "open"
        path.append(node)
        for target in sorted(graph.get(node, ())):
            if state.get(target) == "open":
                return path[path.index(target):] + [target]
            if target not in state:
                cycle = visit(target, path)
                if cycle:
                    return cycle
        path.pop()
        state[node] = "done"
        return None

    for node in sorted(graph):
        if node not in state:
            cycle = visit(node, [])
            if cycle:
                return cycle
    return None


def closure(graph):
    reach = {}

    def below(node):
        if node not in reach:
            reach[node] = set()
            for target in graph.get(node, ()):
                reach[node] |= {target} | below(target)
        return reach[node]

    for node in graph:
        below(node)
    return reach


def sources(src):
    for folder, _, files in os.walk(src):
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                path = os.path.join(folder, name)
                rel = os.path.relpath(path, src).replace(os.sep, "/")
                parts = rel.split("/")
                if parts[0] == "backends":
                    node = "/".join(parts[:2]) if len(parts) > 2 else None
                else:
                    node = parts[0]
                if node:
                    yield path, rel, node


def check(root, layers_path):
    src = os.path.join(root, "src")
    layers = Layers(layers_path)
    errors = list(layers.errors)
    nodes = nodes_of(src)
    graph = edges(layers, nodes, errors)
    cycle = find_cycle(graph)
    if cycle:
        errors.append(f"{layers_path} has a cycle: {' -> '.join(cycle)}")
        return errors
    allowed = closure(graph)
    used_excepts = set()
    count = 0
    for path, rel, node in sources(src):
        count += 1
        with open(path, encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                include = match.group(1)
                target = node_of_include(include, nodes)
                if target is None or target == node or target in allowed.get(node, ()):
                    continue
                if node in layers.excepts.get(include, ()):
                    used_excepts.add(include)
                    continue
                errors.append(f"src/{rel}:{number}: includes \"{include}\", "
                              f"but {node} may not depend on {target}")
    for header in sorted(set(layers.excepts) - used_excepts):
        errors.append(f"{layers_path}:{layers.lines[header]}: nothing needs the exception "
                      f"for {header} any more: remove it")
    if not errors:
        print(f"{count} sources keep the layers of {layers_path}")
    return errors


def main(argv):
    if len(argv) not in (2, 3):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    root = argv[1]
    layers_path = argv[2] if len(argv) == 3 else os.path.join(root, "scripts", "layers.txt")
    errors = check(root, layers_path)
    for error in errors:
        print(error, file=sys.stderr)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
