// Checks of the pure parts of the probe script's interop types, run with Mono.
using System;
using System.Runtime.InteropServices;
using System.Text;

static class InteropTest {
    static int passed;
    static int failed;

    static void Expect(string what, object actual, object expected) {
        if (Equals(actual, expected)) {
            passed++;
        } else {
            failed++;
            Console.WriteLine("FAILED " + what + ": got " + actual + ", expected " + expected);
        }
    }

    static void HidLevelConversions() {
        // min, max, MaxLevel, RawFor(0), RawFor(1), RawFor(2)
        int[][] ranges = {
            new[] { 0, 10, 2, 0, 4, 10 },
            new[] { 0, 1, 1, 0, 1, 1 },
            new[] { 0, 2, 2, 0, 1, 2 },
            new[] { 1, 3, 2, 1, 2, 3 },  // 0 outside the range: off is the minimum
            new[] { 5, 5, 1, 5, 5, 5 },  // a single value
            new[] { 0, 255, 2, 0, 102, 255 },
            new[] { int.MinValue, int.MaxValue, 2, 0, -429496730, int.MaxValue },
        };
        foreach (int[] r in ranges) {
            string range = r[0] + ".." + r[1];
            Expect("MaxLevel " + range, HidKbBacklight.MaxLevel(r[0], r[1]), r[2]);
            for (int level = 0; level <= 2; level++) {
                Expect("RawFor " + level + " in " + range, HidKbBacklight.RawFor(level, r[0], r[1]),
                       r[3 + level]);
            }
        }
        Expect("RawFor -1 in 0..10", HidKbBacklight.RawFor(-1, 0, 10), 0);
        Expect("RawFor 7 in 0..10", HidKbBacklight.RawFor(7, 0, 10), 10);

        // raw, min, max, Normalize
        long[][] readings = {
            new long[] { 0, 0, 10, 0 },
            new long[] { -3, 0, 10, 0 },
            new long[] { 1, 0, 10, 1 },
            new long[] { 6, 0, 10, 1 },
            new long[] { 7, 0, 10, 2 },
            new long[] { 10, 0, 10, 2 },
            new long[] { 1, 0, 1, 1 },
            new long[] { 0, 0, 1, 0 },
            new long[] { 2, 1, 3, 1 },
            new long[] { 3, 1, 3, 2 },
            new long[] { 4294967295L, 0, 255, 2 },
        };
        foreach (long[] r in readings) {
            Expect("Normalize " + r[0] + " in " + r[1] + ".." + r[2],
                   HidKbBacklight.Normalize(r[0], (int)r[1], (int)r[2]), (int)r[3]);
        }
    }

    static HidKbBacklight.ValueCaps SetLevel(ushort page, byte reportId, int min, int max) {
        HidKbBacklight.ValueCaps cap = new HidKbBacklight.ValueCaps();
        cap.UsagePage = page;
        cap.ReportId = reportId;
        cap.UsageMin = 0x7B;
        cap.LogicalMin = min;
        cap.LogicalMax = max;
        return cap;
    }

    static HidKbBacklight.ValueCaps Range(ushort first, ushort last) {
        HidKbBacklight.ValueCaps cap = SetLevel(0x0C, 0, 0, 3);
        cap.IsRange = 1;
        cap.UsageMin = first;
        cap.UsageMax = last;
        return cap;
    }

    static void HidDeviceSearch() {
        HidKbBacklight.ValueCaps other = SetLevel(0x0C, 0, 0, 1);
        other.UsageMin = 0x7A;
        HidKbBacklight.ValueCaps wrongPage = SetLevel(0x08, 0, 0, 1);
        Expect("single usage",
               HidKbBacklight.FindSetLevel(new[] { other, SetLevel(0x0C, 0, 0, 1) }), 1);
        Expect("other page", HidKbBacklight.FindSetLevel(new[] { wrongPage }), -1);
        Expect("range holding 0x7B", HidKbBacklight.FindSetLevel(new[] { Range(0x70, 0x7B) }), 0);
        Expect("range without 0x7B", HidKbBacklight.FindSetLevel(new[] { Range(0x7C, 0x80) }), -1);
        // A range's UsageMax is the union's StringMin slot when not a range: never looked at.
        HidKbBacklight.ValueCaps notRange = Range(0x70, 0x7F);
        notRange.IsRange = 0;
        Expect("usage 0x70, not a range", HidKbBacklight.FindSetLevel(new[] { notRange }), -1);

        HidKbBacklight.Caps caps = new HidKbBacklight.Caps();
        caps.UsagePage = 0x0C;
        caps.Usage = 0x07;
        caps.OutputReportByteLength = 3;
        caps.FeatureReportByteLength = 5;
        HidKbBacklight.ValueCaps[] none = new HidKbBacklight.ValueCaps[0];
        HidKbBacklight.ValueCaps[] output = { SetLevel(0x0C, 4, 0, 10) };
        HidKbBacklight.ValueCaps[] feature = { wrongPage, SetLevel(0x0C, 9, 0, 2) };

        HidKbBacklight.Device onlyFeature = HidKbBacklight.Describe("kb", caps, none, feature);
        Expect("feature only: found", onlyFeature != null, true);
        if (onlyFeature != null) {
            Expect("feature only: output", onlyFeature.HasOutput, false);
            Expect("feature only: feature", onlyFeature.HasFeature, true);
            Expect("feature only: report id", onlyFeature.FeatureReportId, (byte)9);
            Expect("feature only: write bounds",
                   onlyFeature.LogicalMin + ".." + onlyFeature.LogicalMax, "0..2");
            Expect("feature only: length", onlyFeature.FeatureLength, 5);
        }

        HidKbBacklight.Device both = HidKbBacklight.Describe("kb", caps, output, feature);
        Expect("both: found", both != null, true);
        if (both != null) {
            Expect("both: path", both.Path, "kb");
            Expect("both: write bounds from output", both.LogicalMin + ".." + both.LogicalMax,
                   "0..10");
            Expect("both: read bounds from feature",
                   both.FeatureLogicalMin + ".." + both.FeatureLogicalMax, "0..2");
            Expect("both: report ids", both.ReportId + "/" + both.FeatureReportId, "4/9");
            Expect("both: lengths", both.OutputLength + "/" + both.FeatureLength, "3/5");
        }

        Expect("no Set Level", HidKbBacklight.Describe("kb", caps, none, new[] { wrongPage }),
               null);
        caps.Usage = 0x06;
        Expect("not a backlight collection", HidKbBacklight.Describe("kb", caps, output, feature),
               null);
    }

    static void HidReportsAndPaths() {
        Expect("report with id", BitConverter.ToString(HidKbBacklight.NewReport(3, 5)), "05-00-00");
        Expect("report without id", BitConverter.ToString(HidKbBacklight.NewReport(2, 0)), "00-00");
        Expect("status text", HidKbBacklight.StatusText(unchecked((int)0xC0110003)), "C0110003");

        byte[] prefix = { 8, 0, 0, 0 };
        byte[] path = Encoding.Unicode.GetBytes("\\\\?\\hid#vid_17ef\0junk");
        byte[] detail = new byte[prefix.Length + path.Length];
        prefix.CopyTo(detail, 0);
        path.CopyTo(detail, prefix.Length);
        Expect("path ends at the terminator", HidKbBacklight.DevicePath(detail),
               "\\\\?\\hid#vid_17ef");
        byte[] unterminated = new byte[] { 8, 0, 0, 0, 0x41, 0, 0x42, 0, 0x43 };
        Expect("unterminated path, odd length", HidKbBacklight.DevicePath(unterminated), "AB");
        Expect("no path", HidKbBacklight.DevicePath(new byte[] { 8, 0, 0, 0 }), "");
    }

    static void InteropLayouts() {
        Expect("HIDP_CAPS size", Marshal.SizeOf(typeof(HidKbBacklight.Caps)), 64);
        Expect("HIDP_VALUE_CAPS size", Marshal.SizeOf(typeof(HidKbBacklight.ValueCaps)), 72);
        Expect("HIDP_VALUE_CAPS LogicalMin offset",
               Marshal.OffsetOf(typeof(HidKbBacklight.ValueCaps), "LogicalMin").ToInt32(), 40);
        Expect("HIDP_VALUE_CAPS UsageMin offset",
               Marshal.OffsetOf(typeof(HidKbBacklight.ValueCaps), "UsageMin").ToInt32(), 56);
        Expect("SP_DEVICE_INTERFACE_DATA size",
               Marshal.SizeOf(typeof(HidKbBacklight.InterfaceData)), IntPtr.Size == 8 ? 32 : 28);
    }

    static void ThinkPadStatus() {
        Expect("IoctlGet", TpKbBacklight.IoctlGet, 2238080u);
        Expect("IoctlSet", TpKbBacklight.IoctlSet, 2238084u);

        // Level 2, highest 2, ready, bits 4-7 set, bit 21 set.
        int status = 0x200000 | 0x50000 | 0x200 | 0xF0 | 0x2;
        TpKbBacklight.Status decoded = TpKbBacklight.Decode(status);
        Expect("level", decoded.Level, 2);
        Expect("highest", decoded.MaxLevel, 2);
        Expect("ready", decoded.Ready, true);
        Expect("bit 21", decoded.WriteFlag, true);
        Expect("write argument", TpKbBacklight.WriteArgument(status, 1), 0x1F1);
        Expect("write argument without bit 21", TpKbBacklight.WriteArgument(0x50235, 2), 0x32);
        Expect("readiness 4", TpKbBacklight.Decode(0x40202).Ready, false);
        Expect("readiness 5 among other bits", TpKbBacklight.Decode(0xF5FFFF).Ready, true);

        // highest, max_level
        int[][] highest = { new[] { 0, 1 }, new[] { 1, 1 }, new[] { 2, 2 }, new[] { 15, 2 } };
        foreach (int[] h in highest) {
            Expect("max level for highest " + h[0], TpKbBacklight.MaxLevel(h[0]), h[1]);
        }
        Expect("level above max", TpKbBacklight.LimitLevel(2, 1), 1);
        Expect("level within", TpKbBacklight.LimitLevel(1, 2), 1);

        Expect("argument bytes", BitConverter.ToString(TpKbBacklight.ToLittleEndian(0x1F1)),
               "F1-01-00-00");
        Expect("answer bytes",
               TpKbBacklight.FromLittleEndian(new byte[] { 0xF2, 0x02, 0x25, 0x80 }),
               unchecked((int)0x802502F2));
    }

    static int Main() {
        HidLevelConversions();
        HidDeviceSearch();
        HidReportsAndPaths();
        InteropLayouts();
        ThinkPadStatus();
        Console.WriteLine(passed + " passed, " + failed + " failed");
        return failed == 0 ? 0 : 1;
    }
}
