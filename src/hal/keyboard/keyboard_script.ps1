# Keyboard backlight probe for telvora. Reads the backlight level, or sets it and reads it back,
# through the first interface that answers, and prints one compact JSON record on standard
# output. Levels are reduced to 0 (off), 1 (low) and 2 (high). Messages are French without
# accents so that everything printed is ASCII apart from texts that come from the system.
[CmdletBinding()]
param(
    [ValidateSet('read', 'write', IgnoreCase = $false)]
    [string]$Mode = 'read',
    [int]$Level = 0,
    [string]$FrameworkDir = ''
)

$ErrorActionPreference = 'Stop'
# No byte-order mark: the reader expects the record to be the first thing on the stream.
[Console]::OutputEncoding = New-Object System.Text.UTF8Encoding -ArgumentList $false

$Result = [ordered]@{
    available = $false
    known = $false
    level = 0
    max_level = 2
    source = ''
    applied = $false
    verified = $false
    reason = ''
}
$ProbeFailures = New-Object 'System.Collections.Generic.List[string]'

# Notes: the first one becomes the reason, later ones are dropped.
function Add-Error([string]$Message) {
    if ([string]::IsNullOrWhiteSpace($script:Result.reason)) {
        $script:Result.reason = $Message
    }
}

# Probe failures only explain why no interface was found.
function Add-ProbeFailure([string]$Message) {
    $script:ProbeFailures.Add($Message)
}

function Emit-Result {
    $json = ConvertTo-Json -InputObject $script:Result -Compress
    [Console]::Out.Write($json + "`n")
    [Console]::Out.Flush()
    exit 0
}

# PowerShell wraps what a .NET method throws in "Exception calling ...": keep the thrower's words.
function Get-ErrorMessage($ErrorRecord) {
    $exception = $ErrorRecord.Exception
    while (($exception -is [System.Management.Automation.MethodInvocationException] -or
            $exception -is [System.Reflection.TargetInvocationException]) -and
           $null -ne $exception.InnerException) {
        $exception = $exception.InnerException
    }
    return [string]$exception.Message
}

function Test-WriteRange([int]$MaxLevel) {
    if ($Level -ge 0 -and $Level -le $MaxLevel) {
        return $true
    }
    Add-Error 'niveau hors limites'
    return $false
}

# Compiling costs about a second, so each type is built once per process and only when needed.
function Import-InteropType([string]$TypeName, [string]$Source) {
    if ($null -eq ($TypeName -as [type])) {
        Add-Type -TypeDefinition $Source -Language CSharp
    }
}

$TpKbBacklightSource = @'
using System;
using System.Runtime.InteropServices;
using Microsoft.Win32.SafeHandles;

public static class TpKbBacklight {
    public const uint IoctlGet = 0x222680;  // 2238080
    public const uint IoctlSet = 0x222684;  // 2238084

    private const uint GenericRead = 0x80000000;
    private const uint FileShareRead = 1;
    private const uint OpenExisting = 3;

    public sealed class Status {
        public int Raw;
        public int Level;
        public int MaxLevel;
        public bool Ready;
        public bool WriteFlag;
    }

    [DllImport("kernel32.dll", CharSet = CharSet.Unicode, SetLastError = true)]
    private static extern SafeFileHandle CreateFileW(string name, uint access, uint share,
                                                     IntPtr security, uint disposition,
                                                     uint flags, IntPtr template);

    [DllImport("kernel32.dll", SetLastError = true)]
    [return: MarshalAs(UnmanagedType.Bool)]
    private static extern bool DeviceIoControl(SafeFileHandle device, uint code, byte[] input,
                                               uint inputSize, [Out] byte[] output,
                                               uint outputSize, out uint returned,
                                               IntPtr overlapped);

    public static Status Decode(int raw) {
        Status status = new Status();
        status.Raw = raw;
        status.Level = raw & 0xF;
        status.MaxLevel = (raw >> 8) & 0xF;
        status.Ready = (raw & 0xF0000) == 0x50000;
        status.WriteFlag = (raw & 0x200000) != 0;
        return status;
    }

    // Bits 4-7 of the status travel unchanged into the write.
    public static int WriteArgument(int status, int level) {
        return ((status & 0x200000) != 0 ? 0x100 : 0) | (status & 0xF0) | (level & 0xF);
    }

    public static int MaxLevel(int highest) {
        return Math.Min(Math.Max(highest, 1), 2);
    }

    public static int LimitLevel(int level, int maxLevel) {
        return Math.Min(Math.Max(level, 0), maxLevel);
    }

    public static byte[] ToLittleEndian(int value) {
        return new byte[] {unchecked((byte)value), unchecked((byte)(value >> 8)),
                           unchecked((byte)(value >> 16)), unchecked((byte)(value >> 24))};
    }

    public static int FromLittleEndian(byte[] bytes) {
        return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (bytes[3] << 24);
    }

    // The driver is reached without elevation.
    public static int Call(uint code, int input) {
        using (SafeFileHandle device = CreateFileW(@"\\.\IBMPmDrv", GenericRead, FileShareRead,
                                                   IntPtr.Zero, OpenExisting, 0, IntPtr.Zero)) {
            if (device.IsInvalid) {
                throw new InvalidOperationException("IBMPmDrv absent (erreur " +
                                                    Marshal.GetLastWin32Error() + ")");
            }
            byte[] output = new byte[4];
            uint returned;
            byte[] argument = ToLittleEndian(input);
            if (!DeviceIoControl(device, code, argument, 4, output, 4, out returned,
                                 IntPtr.Zero)) {
                throw new InvalidOperationException("DeviceIoControl " + code + " (erreur " +
                                                    Marshal.GetLastWin32Error() + ")");
            }
            return FromLittleEndian(output);
        }
    }

    public static Status Read() {
        return Decode(Call(IoctlGet, 0));
    }

    public static void Write(int level) {
        int status = Call(IoctlGet, 0);
        if (!Decode(status).Ready) {
            throw new InvalidOperationException("retroeclairage non pret (0x" +
                                                unchecked((uint)status).ToString("X") + ")");
        }
        Call(IoctlSet, WriteArgument(status, level));
    }
}
'@

# Standard HID keyboard backlight: a Consumer (0x0C) Keyboard Backlight (0x07) collection with
# a Set Level (0x7B) value. The standard Set Level output report belongs to Windows 11 25H2 and
# later; some keyboards offer Set Level only as a feature report.
$HidKbBacklightSource = @'
using System;
using System.Runtime.InteropServices;
using System.Text;
using Microsoft.Win32.SafeHandles;

public static class HidKbBacklight {
    public const int StatusSuccess = 0x00110000;  // HIDP_STATUS_SUCCESS
    public const uint DigcfPresent = 0x02;
    public const uint DigcfDeviceInterface = 0x10;
    public const int ReportInput = 0;
    public const int ReportOutput = 1;
    public const int ReportFeature = 2;
    public const ushort ConsumerPage = 0x0C;
    public const ushort KeyboardBacklightUsage = 0x07;
    public const ushort SetLevelUsage = 0x7B;

    private const uint GenericRead = 0x80000000;
    private const uint GenericWrite = 0x40000000;
    private const uint FileShareRead = 1;
    private const uint FileShareWrite = 2;
    private const uint OpenExisting = 3;
    private const uint FileAttributeNormal = 0x80;

    public sealed class Device {
        public string Path;
        public int OutputLength;
        public int FeatureLength;
        public byte ReportId;
        public byte FeatureReportId;
        public bool HasOutput;
        public bool HasFeature;
        public int LogicalMin;
        public int LogicalMax;
        public int FeatureLogicalMin;
        public int FeatureLogicalMax;
    }

    public sealed class Reading {
        public long Value;
        public int Min;
        public int Max;
        public bool Readable;

        public Reading(long value, int min, int max, bool readable) {
            Value = value;
            Min = min;
            Max = max;
            Readable = readable;
        }
    }

    // HIDP_CAPS
    [StructLayout(LayoutKind.Sequential)]
    public struct Caps {
        public ushort Usage;
        public ushort UsagePage;
        public ushort InputReportByteLength;
        public ushort OutputReportByteLength;
        public ushort FeatureReportByteLength;
        [MarshalAs(UnmanagedType.ByValArray, SizeConst = 17)]
        public ushort[] Reserved;
        public ushort NumberLinkCollectionNodes;
        public ushort NumberInputButtonCaps;
        public ushort NumberInputValueCaps;
        public ushort NumberInputDataIndices;
        public ushort NumberOutputButtonCaps;
        public ushort NumberOutputValueCaps;
        public ushort NumberOutputDataIndices;
        public ushort NumberFeatureButtonCaps;
        public ushort NumberFeatureValueCaps;
        public ushort NumberFeatureDataIndices;
    }

    // HIDP_VALUE_CAPS; UsageMin is also NotRange.Usage.
    [StructLayout(LayoutKind.Sequential)]
    public struct ValueCaps {
        public ushort UsagePage;
        public byte ReportId;
        public byte IsAlias;
        public ushort BitField;
        public ushort LinkCollection;
        public ushort LinkUsage;
        public ushort LinkUsagePage;
        public byte IsRange;
        public byte IsStringRange;
        public byte IsDesignatorRange;
        public byte IsAbsolute;
        public byte HasNull;
        public byte Reserved;
        public ushort BitSize;
        public ushort ReportCount;
        public ushort Reserved2a;
        public ushort Reserved2b;
        public ushort Reserved2c;
        public ushort Reserved2d;
        public ushort Reserved2e;
        public uint UnitsExp;
        public uint Units;
        public int LogicalMin;
        public int LogicalMax;
        public int PhysicalMin;
        public int PhysicalMax;
        public ushort UsageMin;
        public ushort UsageMax;
        public ushort StringMin;
        public ushort StringMax;
        public ushort DesignatorMin;
        public ushort DesignatorMax;
        public ushort DataIndexMin;
        public ushort DataIndexMax;
    }

    // SP_DEVICE_INTERFACE_DATA
    [StructLayout(LayoutKind.Sequential)]
    public struct InterfaceData {
        public int Size;
        public Guid InterfaceClassGuid;
        public int Flags;
        public IntPtr Reserved;
    }

    [DllImport("hid.dll")]
    private static extern void HidD_GetHidGuid(out Guid guid);

    [DllImport("hid.dll", SetLastError = true)]
    [return: MarshalAs(UnmanagedType.U1)]
    private static extern bool HidD_GetPreparsedData(SafeFileHandle device, out IntPtr data);

    [DllImport("hid.dll")]
    [return: MarshalAs(UnmanagedType.U1)]
    private static extern bool HidD_FreePreparsedData(IntPtr data);

    [DllImport("hid.dll", SetLastError = true)]
    [return: MarshalAs(UnmanagedType.U1)]
    private static extern bool HidD_GetFeature(SafeFileHandle device, [In, Out] byte[] report,
                                               int length);

    [DllImport("hid.dll", SetLastError = true)]
    [return: MarshalAs(UnmanagedType.U1)]
    private static extern bool HidD_SetFeature(SafeFileHandle device, byte[] report, int length);

    [DllImport("hid.dll", SetLastError = true)]
    [return: MarshalAs(UnmanagedType.U1)]
    private static extern bool HidD_SetOutputReport(SafeFileHandle device, byte[] report,
                                                    int length);

    [DllImport("hid.dll")]
    private static extern int HidP_GetCaps(IntPtr data, out Caps caps);

    [DllImport("hid.dll")]
    private static extern int HidP_GetValueCaps(int reportType, [In, Out] ValueCaps[] caps,
                                                ref ushort length, IntPtr data);

    [DllImport("hid.dll")]
    private static extern int HidP_GetUsageValue(int reportType, ushort usagePage,
                                                 ushort linkCollection, ushort usage,
                                                 out uint value, IntPtr data, byte[] report,
                                                 uint length);

    [DllImport("hid.dll")]
    private static extern int HidP_SetUsageValue(int reportType, ushort usagePage,
                                                 ushort linkCollection, ushort usage, uint value,
                                                 IntPtr data, [In, Out] byte[] report,
                                                 uint length);

    [DllImport("setupapi.dll", CharSet = CharSet.Unicode, SetLastError = true)]
    private static extern IntPtr SetupDiGetClassDevsW(ref Guid classGuid, IntPtr enumerator,
                                                      IntPtr parent, uint flags);

    [DllImport("setupapi.dll", SetLastError = true)]
    [return: MarshalAs(UnmanagedType.Bool)]
    private static extern bool SetupDiEnumDeviceInterfaces(IntPtr list, IntPtr deviceInfo,
                                                           ref Guid classGuid, uint index,
                                                           ref InterfaceData data);

    [DllImport("setupapi.dll", CharSet = CharSet.Unicode, SetLastError = true)]
    [return: MarshalAs(UnmanagedType.Bool)]
    private static extern bool SetupDiGetDeviceInterfaceDetailW(IntPtr list,
                                                                ref InterfaceData data,
                                                                IntPtr detail, int detailSize,
                                                                out int requiredSize,
                                                                IntPtr deviceInfo);

    [DllImport("setupapi.dll", SetLastError = true)]
    [return: MarshalAs(UnmanagedType.Bool)]
    private static extern bool SetupDiDestroyDeviceInfoList(IntPtr list);

    [DllImport("kernel32.dll", CharSet = CharSet.Unicode, SetLastError = true)]
    private static extern SafeFileHandle CreateFileW(string name, uint access, uint share,
                                                     IntPtr security, uint disposition,
                                                     uint flags, IntPtr template);

    [DllImport("kernel32.dll", SetLastError = true)]
    [return: MarshalAs(UnmanagedType.Bool)]
    private static extern bool WriteFile(SafeFileHandle file, byte[] buffer, uint length,
                                         out uint written, IntPtr overlapped);

    public static int MaxLevel(int min, int max) {
        return (long)max > (long)min + 1 ? 2 : 1;
    }

    public static int Normalize(long raw, int min, int max) {
        if (raw <= 0) {
            return 0;
        }
        if (MaxLevel(min, max) == 1) {
            return 1;
        }
        double threshold = min + ((double)((long)max - min)) * 2 / 3;
        return raw >= threshold ? 2 : 1;
    }

    public static int RawFor(int level, int min, int max) {
        if (level <= 0) {
            return min <= 0 && 0 <= max ? 0 : min;
        }
        if (MaxLevel(min, max) == 1 || level >= 2) {
            return max;
        }
        long step = (long)(((double)((long)max - min)) * 0.4);
        return (int)Math.Max((long)min + 1, (long)min + step);
    }

    // First Set Level value of the Consumer page, as a single usage or inside a usage range.
    public static int FindSetLevel(ValueCaps[] caps) {
        for (int i = 0; i < caps.Length; i++) {
            ValueCaps cap = caps[i];
            if (cap.UsagePage != ConsumerPage) {
                continue;
            }
            bool covers = cap.IsRange != 0
                              ? cap.UsageMin <= SetLevelUsage && SetLevelUsage <= cap.UsageMax
                              : cap.UsageMin == SetLevelUsage;
            if (covers) {
                return i;
            }
        }
        return -1;
    }

    // The record of a keyboard backlight collection, or null when it has no Set Level value.
    public static Device Describe(string path, Caps caps, ValueCaps[] output,
                                  ValueCaps[] feature) {
        if (caps.UsagePage != ConsumerPage || caps.Usage != KeyboardBacklightUsage) {
            return null;
        }
        int outputIndex = FindSetLevel(output);
        int featureIndex = FindSetLevel(feature);
        if (outputIndex < 0 && featureIndex < 0) {
            return null;
        }
        Device device = new Device();
        device.Path = path;
        device.HasOutput = outputIndex >= 0;
        device.HasFeature = featureIndex >= 0;
        device.OutputLength = caps.OutputReportByteLength;
        device.FeatureLength = caps.FeatureReportByteLength;
        if (device.HasFeature) {
            ValueCaps cap = feature[featureIndex];
            device.FeatureReportId = cap.ReportId;
            device.FeatureLogicalMin = cap.LogicalMin;
            device.FeatureLogicalMax = cap.LogicalMax;
            device.LogicalMin = cap.LogicalMin;
            device.LogicalMax = cap.LogicalMax;
        }
        if (device.HasOutput) {
            ValueCaps cap = output[outputIndex];
            device.ReportId = cap.ReportId;
            device.LogicalMin = cap.LogicalMin;
            device.LogicalMax = cap.LogicalMax;
        }
        return device;
    }

    // The zero-terminated UTF-16 path at offset 4 of SP_DEVICE_INTERFACE_DETAIL_DATA_W.
    public static string DevicePath(byte[] detail) {
        if (detail.Length <= 4) {
            return "";
        }
        string text = Encoding.Unicode.GetString(detail, 4, (detail.Length - 4) & ~1);
        int end = text.IndexOf('\0');
        return end < 0 ? text : text.Substring(0, end);
    }

    public static byte[] NewReport(int length, byte reportId) {
        byte[] report = new byte[length];
        if (reportId != 0) {
            report[0] = reportId;
        }
        return report;
    }

    public static string StatusText(int status) {
        return unchecked((uint)status).ToString("X");
    }

    private static SafeFileHandle Open(string path) {
        return CreateFileW(path, GenericRead | GenericWrite, FileShareRead | FileShareWrite,
                           IntPtr.Zero, OpenExisting, FileAttributeNormal, IntPtr.Zero);
    }

    private static ValueCaps[] ValueCapsOf(int reportType, int count, IntPtr data) {
        if (count <= 0) {
            return new ValueCaps[0];
        }
        ValueCaps[] caps = new ValueCaps[count];
        ushort length = (ushort)count;
        if (HidP_GetValueCaps(reportType, caps, ref length, data) != StatusSuccess) {
            return new ValueCaps[0];
        }
        if (length < count) {
            Array.Resize(ref caps, length);
        }
        return caps;
    }

    private static Device Inspect(string path) {
        using (SafeFileHandle handle = Open(path)) {
            if (handle.IsInvalid) {
                return null;
            }
            IntPtr data;
            if (!HidD_GetPreparsedData(handle, out data)) {
                return null;
            }
            try {
                Caps caps;
                if (HidP_GetCaps(data, out caps) != StatusSuccess) {
                    return null;
                }
                return Describe(path, caps,
                                ValueCapsOf(ReportOutput, caps.NumberOutputValueCaps, data),
                                ValueCapsOf(ReportFeature, caps.NumberFeatureValueCaps, data));
            } finally {
                HidD_FreePreparsedData(data);
            }
        }
    }

    private static string InterfacePath(IntPtr list, ref InterfaceData data) {
        int size;
        SetupDiGetDeviceInterfaceDetailW(list, ref data, IntPtr.Zero, 0, out size, IntPtr.Zero);
        if (size <= 0) {
            return "";
        }
        // Never smaller than the size field written below, whatever size the system reports.
        int capacity = Math.Max(size, 8);
        IntPtr detail = Marshal.AllocHGlobal(capacity);
        try {
            // cbSize is that of the fixed part: 8 in a 64-bit process, 6 in a 32-bit one.
            Marshal.WriteInt32(detail, IntPtr.Size == 8 ? 8 : 6);
            int required;
            if (!SetupDiGetDeviceInterfaceDetailW(list, ref data, detail, size, out required,
                                                  IntPtr.Zero)) {
                return "";
            }
            byte[] bytes = new byte[size];
            Marshal.Copy(detail, bytes, 0, size);
            return DevicePath(bytes);
        } finally {
            Marshal.FreeHGlobal(detail);
        }
    }

    public static Device Find() {
        Guid hidGuid;
        HidD_GetHidGuid(out hidGuid);
        IntPtr list = SetupDiGetClassDevsW(ref hidGuid, IntPtr.Zero, IntPtr.Zero,
                                           DigcfPresent | DigcfDeviceInterface);
        if (list == IntPtr.Zero || list == new IntPtr(-1)) {
            return null;
        }
        try {
            for (uint index = 0;; index++) {
                InterfaceData data = new InterfaceData();
                data.Size = Marshal.SizeOf(typeof(InterfaceData));
                if (!SetupDiEnumDeviceInterfaces(list, IntPtr.Zero, ref hidGuid, index,
                                                 ref data)) {
                    return null;
                }
                string path = InterfacePath(list, ref data);
                if (path.Length == 0) {
                    continue;
                }
                Device device = Inspect(path);
                if (device != null) {
                    return device;
                }
            }
        } finally {
            SetupDiDestroyDeviceInfoList(list);
        }
    }

    public static Reading Read(Device device) {
        if (device == null || !device.HasFeature || device.FeatureLength <= 0) {
            return new Reading(0, 0, 0, false);
        }
        Reading unreadable =
            new Reading(0, device.FeatureLogicalMin, device.FeatureLogicalMax, false);
        using (SafeFileHandle handle = Open(device.Path)) {
            if (handle.IsInvalid) {
                return unreadable;
            }
            IntPtr data;
            if (!HidD_GetPreparsedData(handle, out data)) {
                return unreadable;
            }
            try {
                byte[] report = NewReport(device.FeatureLength, device.FeatureReportId);
                if (!HidD_GetFeature(handle, report, report.Length)) {
                    return unreadable;
                }
                uint value;
                if (HidP_GetUsageValue(ReportFeature, ConsumerPage, 0, SetLevelUsage, out value,
                                       data, report, (uint)report.Length) != StatusSuccess) {
                    return unreadable;
                }
                return new Reading(value, device.FeatureLogicalMin, device.FeatureLogicalMax,
                                   true);
            } finally {
                HidD_FreePreparsedData(data);
            }
        }
    }

    private static byte[] SetLevelReport(int reportType, int length, byte reportId, int raw,
                                         IntPtr data) {
        byte[] report = NewReport(length, reportId);
        int status = HidP_SetUsageValue(reportType, ConsumerPage, 0, SetLevelUsage,
                                        unchecked((uint)raw), data, report, (uint)length);
        if (status != StatusSuccess) {
            throw new InvalidOperationException("rapport Set Level refuse (0x" +
                                                StatusText(status) + ")");
        }
        return report;
    }

    public static void Write(Device device, int raw) {
        if (device == null) {
            throw new InvalidOperationException("peripherique HID absent");
        }
        using (SafeFileHandle handle = Open(device.Path)) {
            if (handle.IsInvalid) {
                throw new InvalidOperationException("ouverture HID impossible (erreur " +
                                                    Marshal.GetLastWin32Error() + ")");
            }
            IntPtr data;
            if (!HidD_GetPreparsedData(handle, out data)) {
                throw new InvalidOperationException("descripteur HID illisible");
            }
            try {
                int lastError = 0;
                if (device.HasOutput && device.OutputLength > 0) {
                    byte[] report = SetLevelReport(ReportOutput, device.OutputLength,
                                                   device.ReportId, raw, data);
                    uint written;
                    if (WriteFile(handle, report, (uint)report.Length, out written,
                                  IntPtr.Zero)) {
                        return;
                    }
                    lastError = Marshal.GetLastWin32Error();
                    if (HidD_SetOutputReport(handle, report, report.Length)) {
                        return;
                    }
                    lastError = Marshal.GetLastWin32Error();
                }
                if (device.HasFeature && device.FeatureLength > 0) {
                    byte[] report = SetLevelReport(ReportFeature, device.FeatureLength,
                                                   device.FeatureReportId, raw, data);
                    if (HidD_SetFeature(handle, report, report.Length)) {
                        return;
                    }
                    lastError = Marshal.GetLastWin32Error();
                }
                throw new InvalidOperationException("aucun rapport HID accepte (erreur " +
                                                    lastError + ")");
            } finally {
                HidD_FreePreparsedData(data);
            }
        }
    }
}
'@

# Framework laptops: the vendor's tools print the backlight as a percentage.
$FrameworkTools = @(
    # FW13 keyboards
    @{ Name = 'framework_tool.exe'; Read = @('--kblight'); Set = @('--kblight') },
    # FW16 keyboards
    @{ Name = 'qmk_hid.exe'; Read = @('via', '--backlight'); Set = @('via', '--backlight') }
)

# Standard output and standard error of the tool as one text, or nothing when it is not there.
function Invoke-FrameworkTool([string]$Name, [string[]]$Arguments) {
    $path = [System.IO.Path]::Combine($FrameworkDir, $Name)
    if (-not [System.IO.File]::Exists($path)) {
        return $null
    }
    # With Stop, the first line the tool writes on standard error would end the section.
    $ErrorActionPreference = 'Continue'
    $lines = & $path @Arguments 2>&1 | ForEach-Object { [string]$_ }
    return ($lines -join "`n")
}

# ECMAScript keeps \d to the digits 0-9, which are all that an integer conversion accepts.
function Get-FrameworkPercent([string]$Text) {
    $options = [System.Text.RegularExpressions.RegexOptions]::ECMAScript
    $match = [regex]::Match($Text, '(\d{1,3})\s*%', $options)
    if (-not $match.Success) {
        return $null
    }
    return [int]$match.Groups[1].Value
}

function Get-FrameworkLevel([int]$Percent) {
    if ($Percent -ge 75) {
        return 2
    }
    if ($Percent -ge 25) {
        return 1
    }
    return 0
}

function Invoke-FrameworkProbe {
    try {
        $tool = $null
        $percent = $null
        foreach ($candidate in $FrameworkTools) {
            $percent = Get-FrameworkPercent (Invoke-FrameworkTool $candidate.Name $candidate.Read)
            if ($null -ne $percent) {
                $tool = $candidate
                break
            }
        }
        if ($null -eq $tool) {
            return
        }
        $Result.available = $true
        $Result.source = 'framework'
        $Result.max_level = 2
        $Result.known = $true
        $Result.level = [int](Get-FrameworkLevel $percent)
        if ($Mode -ceq 'write' -and (Test-WriteRange 2)) {
            $setPercent = @(0, 50, 100)[$Level]
            $null = Invoke-FrameworkTool $tool.Name ($tool.Set + [string]$setPercent)
            $Result.applied = $true
            $after = Get-FrameworkPercent (Invoke-FrameworkTool $tool.Name $tool.Read)
            if ($null -ne $after) {
                $Result.level = [int](Get-FrameworkLevel $after)
                $Result.verified = ($Result.level -eq $Level)
            } else {
                $Result.level = $Level
                Add-Error 'commande Framework envoyee ; confirmation indisponible'
            }
        }
        Emit-Result
    } catch {
        Add-Error ('Framework : ' + (Get-ErrorMessage $_))
    }
}

function Invoke-ThinkPadProbe {
    try {
        Import-InteropType 'TpKbBacklight' $TpKbBacklightSource
        $status = [TpKbBacklight]::Read()
        if (-not $status.Ready) {
            Add-ProbeFailure 'ThinkPad PM : retroeclairage non pret'
            return
        }
        $maxLevel = [TpKbBacklight]::MaxLevel($status.MaxLevel)
        $Result.max_level = $maxLevel
        $Result.available = $true
        $Result.known = $true
        $Result.level = [TpKbBacklight]::LimitLevel($status.Level, $maxLevel)
        $Result.source = 'thinkpad-pm'
        if ($Mode -ceq 'write' -and (Test-WriteRange $maxLevel)) {
            try {
                [TpKbBacklight]::Write($Level)
                $Result.applied = $true
                $after = [TpKbBacklight]::Read()
                $Result.level = [TpKbBacklight]::LimitLevel($after.Level, $maxLevel)
                $Result.verified = ($Result.level -eq $Level)
                if (-not $Result.verified) {
                    Add-Error 'lecture de confirmation differente'
                }
            } catch {
                $Result.known = $false
                Add-Error (Get-ErrorMessage $_)
            }
        }
        Emit-Result
    } catch {
        $message = Get-ErrorMessage $_
        # A machine without the driver is the common case, not a failure worth reporting.
        if (-not $message.Contains('IBMPmDrv absent')) {
            Add-ProbeFailure ('ThinkPad PM : ' + $message)
        }
    }
}

function Get-HidLevel($Reading) {
    return [HidKbBacklight]::Normalize($Reading.Value, $Reading.Min, $Reading.Max)
}

function Invoke-HidProbe {
    try {
        Import-InteropType 'HidKbBacklight' $HidKbBacklightSource
        $device = [HidKbBacklight]::Find()
        if ($null -eq $device) {
            return
        }
        $maxLevel = [HidKbBacklight]::MaxLevel($device.LogicalMin, $device.LogicalMax)
        $Result.available = $true
        $Result.source = 'hid'
        $Result.max_level = $maxLevel
        $reading = [HidKbBacklight]::Read($device)
        if ($reading.Readable) {
            $Result.known = $true
            $Result.level = Get-HidLevel $reading
        } else {
            Add-Error 'etat HID non lisible (rapport de confirmation absent)'
        }
        if ($Mode -ceq 'write' -and (Test-WriteRange $maxLevel)) {
            try {
                $raw = [HidKbBacklight]::RawFor($Level, $device.LogicalMin, $device.LogicalMax)
                [HidKbBacklight]::Write($device, $raw)
                $Result.applied = $true
                $reading = [HidKbBacklight]::Read($device)
                if ($reading.Readable) {
                    $Result.known = $true
                    $Result.level = Get-HidLevel $reading
                    $Result.verified = ($Result.level -eq $Level)
                    if (-not $Result.verified) {
                        Add-Error 'lecture de confirmation differente'
                    }
                } else {
                    $Result.known = $false
                    $Result.level = $Level
                    Add-Error 'commande HID envoyee ; confirmation indisponible'
                }
            } catch {
                $Result.known = $false
                Add-Error (Get-ErrorMessage $_)
            }
        }
        Emit-Result
    } catch {
        Add-ProbeFailure ('HID : ' + (Get-ErrorMessage $_))
    }
}

# Brightness levels of the class: 1 = off, 2 = low, 3 = high.
$LenovoClass = @{ Namespace = 'root/WMI'; ClassName = 'LENOVO_LIGHTING_METHOD' }

function Get-LenovoBrightness($Instance) {
    $call = @{
        InputObject = $Instance
        MethodName = 'Get_Lighting_Current_Status'
        Arguments = @{ Lighting_ID = 0 }
    }
    $answer = Invoke-CimMethod @call
    return [int]$answer.Current_Brightness_Level
}

function Invoke-LenovoWmiProbe {
    try {
        $class = Get-CimClass @LenovoClass -ErrorAction SilentlyContinue
        if ($null -eq $class) {
            return
        }
        $Result.available = $true
        $Result.source = 'lenovo-wmi'
        try {
            $instance = Get-CimInstance @LenovoClass | Select-Object -First 1
            if ($null -eq $instance) {
                throw 'instance WMI absente'
            }
            $current = Get-LenovoBrightness $instance
            if ($current -ge 1 -and $current -le 3) {
                $Result.known = $true
                $Result.level = $current - 1
                $Result.max_level = 2
            } else {
                Add-Error 'niveau WMI hors plage'
            }
            if ($Mode -ceq 'write' -and (Test-WriteRange 2)) {
                $call = @{
                    InputObject = $instance
                    MethodName = 'Set_Lighting_Current_Status'
                    Arguments = @{
                        Current_Brightness_Level = $Level + 1
                        Current_State_Type = 0
                        Lighting_ID = 0
                    }
                }
                $null = Invoke-CimMethod @call
                $Result.applied = $true
                $after = Get-LenovoBrightness $instance
                if ($after -ge 1 -and $after -le 3) {
                    $Result.known = $true
                    $Result.level = $after - 1
                    $Result.verified = ($Result.level -eq $Level)
                } else {
                    $Result.known = $false
                    $Result.level = $Level
                    Add-Error 'commande WMI envoyee ; confirmation indisponible'
                }
            }
        } catch {
            Add-Error (Get-ErrorMessage $_)
        }
        Emit-Result
    } catch {
        Add-ProbeFailure ('Lenovo WMI : ' + (Get-ErrorMessage $_))
    }
}

if (-not [string]::IsNullOrEmpty($FrameworkDir)) {
    Invoke-FrameworkProbe
}
Invoke-ThinkPadProbe
Invoke-HidProbe
Invoke-LenovoWmiProbe

if (-not $Result.available) {
    $reason = 'aucune interface de retroeclairage clavier detectee'
    if ($ProbeFailures.Count -gt 0) {
        $reason += ' (' + ($ProbeFailures -join '; ') + ')'
    }
    $Result.reason = $reason
}
Emit-Result
