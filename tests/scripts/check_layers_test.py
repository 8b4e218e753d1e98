#!/usr/bin/env python3
"""Runs scripts/check-layers.py on small trees: it passes a tree that keeps its layers
and fails, naming the fault, on a bad include, a cycle, an unlisted folder and a stale
exception.

Usage: check_layers_test.py PATH/TO/check-layers.py
"""

import os
import subprocess
import sys
import tempfile
import unittest

CHECK = None

LAYERS = """\
base:
geometry: base
app: geometry
backends/*: app
main.cpp: app backends/*
except app/Clock.h: geometry
"""

SOURCES = {
    "base/Rect.h": "#pragma once\n",
    "geometry/Zone.cpp": '#include "geometry/Zone.h"\n#include "base/Rect.h"\n'
                         '#include "app/Clock.h"\n#include <vector>\n',
    "geometry/Zone.h": "#pragma once\n",
    "app/Clock.h": "#pragma once\n",
    "app/AppDelegate.h": '#include "base/Rect.h"\n',
    "backends/sim/Sim.h": '#include "app/AppDelegate.h"\n',
    "backends/x11/X11.cpp": '#include "backends/x11/X11.h"\n',
    "backends/x11/X11.h": "#pragma once\n",
    "main.cpp": '#include "backends/sim/Sim.h"\n#include "backends/x11/X11.h"\n',
}


class CheckLayersTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.root = self.dir.name
        self.write("scripts/layers.txt", LAYERS)
        for path, text in SOURCES.items():
            self.write("src/" + path, text)

    def tearDown(self):
        self.dir.cleanup()

    def write(self, path, text):
        path = os.path.join(self.root, path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)

    def run_check(self):
        result = subprocess.run([sys.executable, CHECK, self.root], capture_output=True,
                                text=True, check=False)
        return result.returncode, result.stderr

    def assert_fails_with(self, *fragments):
        code, errors = self.run_check()
        self.assertEqual(code, 1, errors)
        for fragment in fragments:
            self.assertIn(fragment, errors)

    def test_a_tree_keeping_its_layers_passes(self):
        self.assertEqual(self.run_check(), (0, ""))

    def test_an_include_of_a_higher_folder_fails_at_its_line(self):
        self.write("src/geometry/Zone.h", '#pragma once\n#include "app/AppDelegate.h"\n')
        self.assert_fails_with('src/geometry/Zone.h:2: includes "app/AppDelegate.h"',
                               "geometry may not depend on app")

    def test_backends_reach_each_other_only_where_listed(self):
        self.write("src/backends/x11/X11.h", '#include "backends/sim/Sim.h"\n')
        self.assert_fails_with("backends/x11 may not depend on backends/sim")

    def test_a_cycle_in_the_list_fails_and_is_shown(self):
        self.write("scripts/layers.txt", LAYERS.replace("base:\n", "base: app\n"))
        self.assert_fails_with("has a cycle: app -> geometry -> base -> app")

    def test_every_folder_needs_a_line_and_every_line_a_folder(self):
        self.write("src/cloud/Sync.cpp", "\n")
        self.write("scripts/layers.txt", LAYERS + "ui: app\n")
        self.assert_fails_with("src/cloud has no line", "src/ui does not exist")

    def test_an_exception_nothing_needs_must_go(self):
        self.write("src/geometry/Zone.cpp", '#include "base/Rect.h"\n')
        self.assert_fails_with("nothing needs the exception for app/Clock.h")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        sys.exit(2)
    CHECK = sys.argv.pop()
    unittest.main()
