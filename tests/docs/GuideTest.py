"""The player's guide: its links and pictures exist, the README leads to it, and the factory list is
made from the presets' readable source as the guide shows it. Standard library only."""

import os
import re
import sys
import tempfile
import textwrap
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools", "docs"))
import factory_list  # noqa: E402

LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)\)")


def read(path):
    with open(os.path.join(ROOT, path), encoding="utf-8") as f:
        return f.read()


def local_targets(markdown):
    for target in LINK.findall(markdown):
        if "://" in target or target.startswith(("#", "mailto:")):
            continue
        yield target.split("#", 1)[0]


class GuideLinks(unittest.TestCase):
    def test_every_link_and_picture_of_the_guide_exists(self):
        guide = read("docs/guide.md")
        targets = list(local_targets(guide))
        self.assertGreater(len(targets), 10)
        for target in targets:
            with self.subTest(target=target):
                self.assertTrue(os.path.exists(os.path.join(ROOT, "docs", target)), target)

    def test_every_link_within_the_guide_names_one_of_its_headings(self):
        guide = read("docs/guide.md")
        # Heading anchors as the usual Markdown renderers make them: lower case, punctuation dropped,
        # spaces to hyphens (code blocks hold no headings here, and none repeats).
        anchors = set()
        for heading in re.findall(r"^#{1,6} (.+)$", guide, flags=re.M):
            anchors.add(re.sub(r"[^\w\- ]", "", heading.strip().lower()).replace(" ", "-"))
        for target in LINK.findall(guide):
            if target.startswith("#"):
                with self.subTest(anchor=target):
                    self.assertIn(target[1:], anchors)

    def test_every_picture_in_the_guide_folder_is_shown(self):
        shown = {os.path.normpath(t) for t in local_targets(read("docs/guide.md"))}
        for name in sorted(os.listdir(os.path.join(ROOT, "docs", "guide"))):
            with self.subTest(picture=name):
                self.assertIn(os.path.join("guide", name), shown)

    def test_the_readme_leads_to_the_guide_before_its_first_section(self):
        readme = read("README.md")
        top = readme.split("\n## ", 1)[0]
        self.assertIn("docs/guide.md", list(local_targets(top)))

    def test_the_guide_has_one_factory_section(self):
        guide = read("docs/guide.md")
        self.assertEqual(guide.count(factory_list.BEGIN_MARKER), 1)
        self.assertEqual(guide.count(factory_list.END_MARKER), 1)
        self.assertLess(guide.index(factory_list.BEGIN_MARKER), guide.index(factory_list.END_MARKER))

    def test_the_factory_section_is_what_the_presets_source_gives(self):
        guide = read("docs/guide.md")
        expected = factory_list.replace_section(
            guide, factory_list.markdown(factory_list.read_groups(os.path.join(ROOT, "presets"))))
        self.assertEqual(guide, expected, "run tools/make-docs (or tools/docs/factory_list.py presets docs/guide.md)")


BASSES = textwrap.dedent("""\
    # Basses
    # a comment before the first program

    program: Round Bass
    description: Saw and square an octave apart | warm
    DCO1 WAVE = SAW
    VCF FREQ = 35

    # a comment between programs
    program: Pluck
    description: Short decay, no sustain
    ENV2 SUS = 0
    """)

LEADS = "# Leads\n\nprogram: Solo\ndescription: Mono lead\nKEY ASSIGN = MONO 1\n"


class FactoryList(unittest.TestCase):
    def test_a_group_file_reads_into_its_programs_and_settings(self):
        group = factory_list.parse_group(BASSES, "1-basses.txt")
        self.assertEqual(group.title, "Basses")
        self.assertEqual([p.name for p in group.programs], ["Round Bass", "Pluck"])
        self.assertEqual(group.programs[0].description, "Saw and square an octave apart | warm")
        self.assertEqual(group.programs[0].settings, [("DCO1 WAVE", "SAW"), ("VCF FREQ", "35")])
        self.assertEqual(group.programs[1].settings, [("ENV2 SUS", "0")])

    def test_programs_are_numbered_through_the_files_in_their_numeric_order(self):
        with tempfile.TemporaryDirectory() as folder:
            for name, text in (("10-leads.txt", LEADS), ("2-basses.txt", BASSES), ("notes.txt", "x")):
                with open(os.path.join(folder, name), "w", encoding="utf-8") as f:
                    f.write(text)
            section = factory_list.markdown(factory_list.read_groups(folder))
        self.assertEqual(section.splitlines()[0], "### Basses (1-2)")
        self.assertIn("| 1 | Round Bass | Saw and square an octave apart \\| warm |", section)
        self.assertIn("| 2 | Pluck | Short decay, no sustain |", section)
        self.assertIn("### Leads (3-3)", section)
        self.assertIn("| 3 | Solo | Mono lead |", section)

    def test_a_malformed_file_is_reported_with_its_line(self):
        cases = {
            "no title": ("program: A\ndescription: b\n", ":1:"),
            "setting before program": ("# T\nVCF FREQ = 3\n", ":2:"),
            "missing description": ("# T\nprogram: A\nVCF FREQ = 3\n", ":3:"),
            "description never given": ("# T\nprogram: A\n", "has no 'description:'"),
            "setting without value": ("# T\nprogram: A\ndescription: d\nVCF FREQ =\n", ":4:"),
            "setting without =": ("# T\nprogram: A\ndescription: d\nVCF FREQ 3\n", ":4:"),
        }
        for case, (text, where) in cases.items():
            with self.subTest(case=case):
                with self.assertRaises(factory_list.FormatError) as raised:
                    factory_list.parse_group(text, "g.txt")
                self.assertIn(where, str(raised.exception))

    def test_the_section_between_the_markers_is_replaced_and_the_rest_kept(self):
        document = f"before\n{factory_list.BEGIN_MARKER}\nold\n{factory_list.END_MARKER}\nafter\n"
        new = factory_list.replace_section(document, "new list\n")
        self.assertEqual(new, f"before\n{factory_list.BEGIN_MARKER}\nnew list\n{factory_list.END_MARKER}\nafter\n")
        self.assertEqual(factory_list.replace_section(new, "new list\n"), new)
        with self.assertRaises(factory_list.FormatError):
            factory_list.replace_section("no markers", "x")


if __name__ == "__main__":
    unittest.main(verbosity=2)
