"""The search command against the real settings store and a scripted
discovery library: argument forms, stored values, failure cases, merge."""

import os
import struct
import unittest

import settings_record as rec
from harness import NO_REPLY, InstallationTest

REG_DWORD, REG_BINARY = 4, 3


class SearchCommandTest(InstallationTest):

    def setUp(self):
        super().setUp()
        self.outer = self.app.prefix + "Outer"
        self.inner = "Office/Floor 2"
        self.key = ("HKEY_CURRENT_USER\\Software\\%s\\%s\\Vantorel\\PrinterUI\\Search"
                    % (self.outer, self.inner))

    def argument(self, tail="/Search/p", inner=None, outer=None):
        inner = self.inner if inner is None else inner
        outer = self.outer if outer is None else outer
        return "%d/%s/%s%s" % (len(inner), inner, outer, tail)

    def search(self, tail="/Search/p"):
        self.assertEqual(self.app.run(self.argument(tail)), 1)

    def store(self, name, data):
        path = os.path.join(self.folder, "value.bin")
        with open(path, "wb") as f:
            f.write(bytes(data))
        self.app.tool("reg", "set", self.key, name, "--binary-file", path)

    def store_dword(self, name, value):
        self.app.tool("reg", "set", self.key, name, "--dword", str(value))

    def stored(self, name):
        """The value's bytes, or None when it (or the key) is missing."""
        path = os.path.join(self.folder, "out.bin")
        if os.path.exists(path):
            os.remove(path)
        done = self.app.tool("reg", "query", self.key, name, "--out", path, check=False)
        if done.returncode != 0:
            return None
        with open(path, "rb") as f:
            return f.read()

    def total_printers(self):
        data = self.stored("TotalPrinters")
        return None if data is None else struct.unpack("<I", data)[0]

    def key_exists(self):
        return self.app.tool("reg", "query", self.key, check=False).returncode == 0

    def script(self, *lines):
        self.app.write("devprobe.script", "".join("\t".join(line) + "\n" for line in lines))

    def calls(self):
        return [line for line in self.app.read("devprobe.log").splitlines()
                if line.startswith("Find")]


class ArgumentForms(SearchCommandTest):

    def test_count_only_form_stores_zero_and_nothing_else(self):
        self.search("/Search")
        self.assertEqual(self.total_printers(), 0)
        self.assertIsNone(self.stored("SearchData"))
        self.assertEqual(self.calls(), [])

    def test_no_slash_after_the_outer_key_touches_nothing(self):
        self.assertEqual(self.app.run(self.argument("")), 1)
        self.assertFalse(self.key_exists())

    def test_length_beyond_the_argument_touches_nothing(self):
        # The arguments name this test's key: missing, then holding a record.
        for record in (None, bytes(rec.make())):
            if record:
                self.store("SearchData", record)
            for n in (999, -1):
                self.assertEqual(self.app.run("%d/%s/%s/Search/p" % (n, self.inner, self.outer)), 1)
            self.assertEqual(self.key_exists(), record is not None)
            self.assertEqual((self.stored("SearchData"), self.total_printers()), (record, None))
        self.assertEqual(self.calls(), [])

    def test_other_commands_run_the_job_service(self):
        for argument in (self.argument("/search/p"), "hello", ""):
            with self.subTest(argument=argument):
                self.app = self.install()
                self.app.start(argument)
                self.assertEqual(self.app.send("Close")[0], NO_REPLY)
                self.assertEqual(self.app.wait(), 0)
        self.assertFalse(self.key_exists())

    def test_searching_counts_as_search_and_the_parameter_may_hold_slashes(self):
        self.store("SearchData", rec.make())
        self.search("/Searching/port=1/x")
        self.assertIn('parameter="port=1/x"', self.calls()[0])

    def test_a_missing_key_is_created(self):
        self.search()
        self.assertTrue(self.key_exists())
        self.assertIsNone(self.total_printers())


class StoredValues(SearchCommandTest):

    def test_one_host_by_address_answering_both_calls(self):
        self.store("SearchData", rec.make(single_host=1, ipv4_target=b"192.0.2.7"))
        self.script(("FindSnmpAgent", "192.0.2.7", "PRN01"),
                    ("FindSnmpV3AgentEx2", "v4", "192.0.2.7", "PRN01"))
        self.search()
        self.assertEqual(self.total_printers(), 2)
        record = self.stored("SearchData")
        self.assertEqual(len(record), rec.SIZE)
        self.assertEqual(rec.agents(record), [(b"192.0.2.7", b"PRN01")])
        self.assertEqual(self.calls(), [
            'FindSnmpAgent community="public" broadcast=0 target="192.0.2.7" timeout=3000 '
            'parameter="p" reserved1=null callback=set reserved2=null',
            'FindSnmpV3AgentEx2 broadcast=0 ipv4Target="192.0.2.7" ipv6Target="" a4=3 a5=30 '
            'timeout=6000 retries=2 a8=0xFD000080 parameter="p" a10=0 callbackV4=set '
            'callbackV6=null',
        ])

    def test_merge_keeps_every_byte_it_does_not_own(self):
        record = rec.make(community=b"private", filler=b"\xa5\x5a\x01")
        for i in range(10):
            rec.put_agent(record, i, b"10.0.0.%d" % i, b"old %d" % i)
        struct.pack_into("<i", record, rec.AGENT_COUNT, 10)
        self.store("SearchData", record)
        self.script(("FindSnmpAgent", "A", "P"), ("FindSnmpAgent", "B", "Q"),
                    ("FindSnmpAgent", "A", "R"), ("FindSnmpV3AgentEx2", "v4", "C", "S"))
        self.search()
        stored = self.stored("SearchData")
        self.assertEqual(rec.agents(stored), [(b"B", b"Q"), (b"A", b"R"), (b"C", b"S")])
        self.assertEqual(self.total_printers(), 4)
        new_entries_end = rec.AGENTS + 3 * rec.ENTRY
        self.assertEqual(stored[:rec.AGENT_COUNT], record[:rec.AGENT_COUNT])
        self.assertEqual(stored[rec.AGENT_COUNT + 4:rec.AGENTS], record[rec.AGENT_COUNT + 4:rec.AGENTS])
        self.assertEqual(stored[new_entries_end:], record[new_entries_end:])
        self.assertIn('community="private"', self.calls()[0])

    def test_name_filter_keeps_the_first_agent_of_that_name(self):
        self.store("SearchData", rec.make(single_host=1, ipv4_target=b"PRN01"))
        self.script(("FindSnmpAgent", "10.0.0.1", "other"), ("FindSnmpAgent", "10.0.0.2", "PRN01"),
                    ("FindSnmpV3AgentEx2", "v4", "10.0.0.3", "PRN01"))
        self.search()
        self.assertEqual(rec.agents(self.stored("SearchData")), [(b"10.0.0.2", b"PRN01")])
        self.assertEqual(self.total_printers(), 1)
        self.assertIn('broadcast=1 target="255.255.255.255" timeout=6000', self.calls()[0])

    def test_name_filter_without_a_match_keeps_every_answer(self):
        self.store("SearchData", rec.make(single_host=1, ipv4_target=b"PRN09"))
        self.script(("FindSnmpAgent", "10.0.0.1", "a"), ("FindSnmpAgent", "10.0.0.2", "b"))
        self.search()
        self.assertEqual(len(rec.agents(self.stored("SearchData"))), 2)

    def test_ipv6_addresses_are_stored_as_text(self):
        self.store("SearchData", rec.make(use_ipv6=1, ipv6_target=b"ff02::1"))
        self.script(("FindSnmpAgentV6", "0" * 31 + "1", "loop"),
                    ("FindSnmpV3AgentEx2", "v6", "fe800000000000000202b3fffe1e8329", "v3"))
        self.search()
        self.assertEqual(rec.agents(self.stored("SearchData")),
                         [(b"::0001", b"loop"), (b"fe80::0202:b3ff:fe1e:8329", b"v3")])
        calls = self.calls()
        self.assertTrue(calls[0].startswith('FindSnmpAgentV6 community="public" broadcast=1 '
                                            'target="" timeout=3000'), calls[0])
        self.assertIn('ipv4Target="" ipv6Target=""', calls[1])


class FailureCases(SearchCommandTest):

    def test_nothing_found_keeps_the_record_and_stores_zero(self):
        record = rec.make(filler=b"\x33")
        self.store("SearchData", record)
        self.store_dword("TotalPrinters", 5)
        self.search()
        self.assertEqual(self.stored("SearchData"), bytes(record))
        self.assertEqual(self.total_printers(), 0)

    def test_without_the_discovery_library_nothing_is_found(self):
        os.remove(self.app.file("devprobe.dll"))
        record = rec.make(filler=b"\x44")
        self.store("SearchData", record)
        self.search()
        self.assertEqual(self.stored("SearchData"), bytes(record))
        self.assertEqual(self.total_printers(), 0)

    def test_unreadable_search_data_changes_nothing(self):
        cases = [("missing", None), ("too long", b"\x01" * (rec.SIZE + 1))]
        for name, data in cases:
            with self.subTest(name):
                if data is not None:
                    self.store("SearchData", data)
                self.store_dword("TotalPrinters", 9)
                self.script(("FindSnmpAgent", "10.0.0.1", "a"))
                self.search()
                self.assertEqual(self.total_printers(), 9, name)
                self.assertEqual(self.stored("SearchData"), data, name)
                self.assertEqual(self.calls(), [], name)

    def test_a_short_record_reads_as_zero_filled(self):
        self.store("SearchData", rec.make(single_host=1, ipv4_target=b"192.0.2.9")[:100])
        self.script(("FindSnmpAgent", "192.0.2.9", "short"))
        self.search()
        stored = self.stored("SearchData")
        self.assertEqual(len(stored), rec.SIZE)
        self.assertEqual(rec.agents(stored), [(b"192.0.2.9", b"short")])
        self.assertIn('target="192.0.2.9"', self.calls()[0])


if __name__ == "__main__":
    unittest.main()
