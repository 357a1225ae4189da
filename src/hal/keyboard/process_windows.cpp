#include <windows.h>

#include <atomic>
#include <vector>

#include "hal/keyboard/process.hpp"
#include "support/text.hpp"
#include "support/win_handle.hpp"

namespace telvora {

namespace {

constexpr DWORD OUTPUT_BUFFER_SIZE = 64 * 1024;

std::unexpected<ProcessFailure> not_started(DWORD code) {
    return std::unexpected(ProcessFailure{ProcessFailureKind::NotStarted, code});
}

// One output stream of the child. Anonymous pipes cannot be read asynchronously, so each stream
// is a one-instance named pipe whose reading end uses overlapped I/O: one thread then watches
// both streams and the child's exit, under a single deadline.
class OutputDrain {
  public:
    OutputDrain(win::unique_hfile pipe, win::unique_handle event, bool keep)
        : pipe_(std::move(pipe)),
          event_(std::move(event)),
          keep_(keep),
          buffer_(OUTPUT_BUFFER_SIZE) {}
    OutputDrain(const OutputDrain&) = delete;
    OutputDrain& operator=(const OutputDrain&) = delete;
    // The kernel writes into buffer_ and overlapped_ until the read is over.
    ~OutputDrain() {
        if (pending_) {
            CancelIoEx(pipe_.get(), &overlapped_);
            DWORD ignored = 0;
            GetOverlappedResult(pipe_.get(), &overlapped_, &ignored, TRUE);
        }
    }

    [[nodiscard]] bool open() const noexcept { return open_; }
    [[nodiscard]] HANDLE event() const noexcept { return event_.get(); }
    [[nodiscard]] std::string& data() noexcept { return data_; }

    // Reads until a read is pending or the stream has ended.
    void start() {
        while (open_ && !pending_) {
            overlapped_ = OVERLAPPED{};
            overlapped_.hEvent = event_.get();
            if (ReadFile(pipe_.get(), buffer_.data(), OUTPUT_BUFFER_SIZE, nullptr, &overlapped_)) {
                DWORD count = 0;
                GetOverlappedResult(pipe_.get(), &overlapped_, &count, FALSE);
                keep(count);
            } else if (GetLastError() == ERROR_IO_PENDING) {
                pending_ = true;
            } else {
                // ERROR_BROKEN_PIPE: every writer has gone. Any other error ends the stream too.
                open_ = false;
            }
        }
    }

    // The pending read completed.
    void finish() {
        pending_ = false;
        DWORD count = 0;
        if (!GetOverlappedResult(pipe_.get(), &overlapped_, &count, FALSE)) {
            open_ = false;
            return;
        }
        keep(count);
        start();
    }

  private:
    void keep(DWORD count) {
        if (keep_)
            data_.append(buffer_.data(), count);
    }

    win::unique_hfile pipe_;
    win::unique_handle event_;
    bool keep_;
    bool open_ = true;
    bool pending_ = false;
    OVERLAPPED overlapped_{};
    std::vector<char> buffer_;
    std::string data_;
};

struct OutputPipe {
    win::unique_hfile read_end;   // ours, overlapped
    win::unique_hfile write_end;  // the child's, inheritable
};

std::expected<OutputPipe, DWORD> make_output_pipe() {
    static std::atomic<unsigned> serial{0};
    const std::wstring name =
        L"\\\\.\\pipe\\telvora-output-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
        std::to_wstring(serial.fetch_add(1)) + L"-" + std::to_wstring(GetTickCount64());
    OutputPipe pipe;
    // First instance only: a squatter that created the name first makes this fail.
    pipe.read_end.reset(CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0,
        OUTPUT_BUFFER_SIZE, 0, nullptr));
    if (!pipe.read_end)
        return std::unexpected(GetLastError());
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    pipe.write_end.reset(CreateFileW(name.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0,
                                     &inherit, OPEN_EXISTING, 0, nullptr));
    if (!pipe.write_end)
        return std::unexpected(GetLastError());
    return pipe;
}

class AttributeList {
  public:
    explicit AttributeList(std::vector<HANDLE> inherited) : handles_(std::move(inherited)) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        if (!InitializeProcThreadAttributeList(list, 1, 0, &size))
            return;
        list_ = list;
        // Only these handles reach the child, whatever else is inheritable in this process.
        if (!UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                       handles_.size() * sizeof(HANDLE), nullptr, nullptr)) {
            DeleteProcThreadAttributeList(list_);
            list_ = nullptr;
        }
    }
    AttributeList(const AttributeList&) = delete;
    AttributeList& operator=(const AttributeList&) = delete;
    ~AttributeList() {
        if (list_)
            DeleteProcThreadAttributeList(list_);
    }
    [[nodiscard]] LPPROC_THREAD_ATTRIBUTE_LIST get() const noexcept { return list_; }

  private:
    std::vector<HANDLE> handles_;
    std::vector<unsigned char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

// The child and everything it starts share a job, so that a hung child can be ended with its
// descendants, and none outlives the run holding our pipes open.
win::unique_handle make_kill_on_close_job() {
    win::unique_handle job(CreateJobObjectW(nullptr, nullptr));
    if (!job)
        return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                 sizeof(limits)))
        job.reset();
    return job;
}

}  // namespace

std::expected<ProcessOutput, ProcessFailure> run_process(std::string_view program,
                                                         std::span<const std::string> arguments,
                                                         std::chrono::milliseconds time_limit) {
    const ULONGLONG deadline =
        GetTickCount64() + static_cast<ULONGLONG>(std::max<long long>(time_limit.count(), 0));

    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    win::unique_hfile input(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        &inherit, OPEN_EXISTING, 0, nullptr));
    if (!input)
        return not_started(GetLastError());
    auto output = make_output_pipe();
    if (!output)
        return not_started(output.error());
    auto error = make_output_pipe();
    if (!error)
        return not_started(error.error());
    win::unique_handle output_event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    win::unique_handle error_event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!output_event || !error_event)
        return not_started(GetLastError());

    AttributeList attributes({input.get(), output->write_end.get(), error->write_end.get()});
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = input.get();
    startup.StartupInfo.hStdOutput = output->write_end.get();
    startup.StartupInfo.hStdError = error->write_end.get();
    startup.lpAttributeList = attributes.get();
    DWORD flags = CREATE_NO_WINDOW | CREATE_SUSPENDED;
    if (attributes.get())
        flags |= EXTENDED_STARTUPINFO_PRESENT;

    std::wstring command_line = to_wide(quote_command_line(program, arguments));
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, flags, nullptr,
                        nullptr, &startup.StartupInfo, &started))
        return not_started(GetLastError());
    win::unique_handle process(started.hProcess);
    win::unique_handle thread(started.hThread);

    win::unique_handle job = make_kill_on_close_job();
    if (job && !AssignProcessToJobObject(job.get(), process.get()))
        job.reset();
    const auto terminate = [&] {
        if (job)
            TerminateJobObject(job.get(), 1);
        else
            TerminateProcess(process.get(), 1);
    };
    if (ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
        const DWORD code = GetLastError();
        terminate();
        return not_started(code);
    }
    thread.reset();
    // The child holds the only writing ends now: the streams end when it (and its own children)
    // are gone.
    input.reset();
    output->write_end.reset();
    error->write_end.reset();

    OutputDrain out(std::move(output->read_end), std::move(output_event), true);
    OutputDrain err(std::move(error->read_end), std::move(error_event), false);
    out.start();
    err.start();
    bool running = true;
    while (running || out.open() || err.open()) {
        HANDLE waits[3];
        DWORD count = 0;
        if (running)
            waits[count++] = process.get();
        if (out.open())
            waits[count++] = out.event();
        if (err.open())
            waits[count++] = err.event();
        const ULONGLONG now = GetTickCount64();
        const DWORD wait =
            now >= deadline
                ? WAIT_TIMEOUT
                : WaitForMultipleObjects(
                      count, waits, FALSE,
                      static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, INFINITE - 1)));
        if (wait >= WAIT_OBJECT_0 + count) {
            const DWORD code = wait == WAIT_FAILED ? GetLastError() : DWORD{WAIT_TIMEOUT};
            terminate();
            WaitForSingleObject(process.get(), 5'000);
            return std::unexpected(ProcessFailure{ProcessFailureKind::Abandoned, code});
        }
        const HANDLE signalled = waits[wait - WAIT_OBJECT_0];
        if (signalled == process.get()) {
            running = false;
            // Whatever the child left behind would hold the streams open.
            if (job)
                TerminateJobObject(job.get(), 1);
        } else if (signalled == out.event()) {
            out.finish();
        } else {
            err.finish();
        }
    }

    DWORD exit_code = 0;
    GetExitCodeProcess(process.get(), &exit_code);
    return ProcessOutput{exit_code, std::move(out.data())};
}

}  // namespace telvora
