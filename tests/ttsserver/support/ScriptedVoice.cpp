#include "ScriptedVoice.h"

#include <sys/stat.h>

#include <atomic>
#include <deque>
#include <thread>

#include "MessageQueue.h"

namespace lipsmith::testing {

using speech::SPEVENT;

namespace {

SPEVENT Event(speech::SPEVENTENUM id, WPARAM w, LPARAM l) {
    SPEVENT e;
    e.eEventId = id;
    e.wParam = w;
    e.lParam = l;
    return e;
}

class ScriptedVoice : public speech::ISpVoice {
public:
    explicit ScriptedVoice(std::shared_ptr<VoiceProbe> probe) : probe_(std::move(probe)) {
        std::lock_guard lock(probe_->mutex);
        probe_->alive = true;
        player_ = std::thread([this] { Play(); });
    }

    ~ScriptedVoice() override {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        changed_.notify_all();
        player_.join();
        if (window_) DestroyMessageWindow(window_);
        std::lock_guard lock(probe_->mutex);
        probe_->alive = false;
    }

    HRESULT SetNotifyCallbackFunction(std::function<void()> callback) override {
        callback_ = std::move(callback);
        window_ = CreateMessageWindow([this](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
            notifyPosted_ = false;
            if (callback_) callback_();
            return 0;
        });
        return S_OK;
    }

    HRESULT SetInterest(std::uint64_t interest, std::uint64_t) override {
        std::lock_guard lock(probe_->mutex);
        probe_->interest = interest;
        return S_OK;
    }

    HRESULT Speak(const std::string& text, std::uint32_t flags, std::uint32_t*) override {
        {
            std::lock_guard lock(probe_->mutex);
            if (text.empty() && (flags & speech::SPF_PURGEBEFORESPEAK)) {
                ++probe_->purges;
            } else {
                probe_->spoken.push_back(text);
                probe_->flags.push_back(flags);
            }
        }
        if (flags & speech::SPF_PURGEBEFORESPEAK) Purge();
        if (text.empty()) return S_OK;
        std::vector<ScriptStep> steps =
            probe_->script ? probe_->script(text, flags) : WordsScript(text, probe_->phonemeMs, probe_->stepDelay);
        {
            std::lock_guard lock(mutex_);
            jobs_.push_back(std::move(steps));
        }
        changed_.notify_all();
        if (!(flags & speech::SPF_ASYNC)) {
            while (WaitUntilDone(1000) != S_OK) {
            }
        }
        return S_OK;
    }

    HRESULT WaitUntilDone(std::uint32_t timeoutMs) override {
        std::unique_lock lock(mutex_);
        const bool done = changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                            [&] { return jobs_.empty() && !playing_ && events_.empty(); });
        return done ? S_OK : S_FALSE;
    }

    HRESULT GetEvents(std::uint32_t count, SPEVENT* events, std::uint32_t* fetched) override {
        std::lock_guard lock(mutex_);
        std::uint32_t n = 0;
        while (n < count && !events_.empty()) {
            events[n++] = std::move(events_.front());
            events_.pop_front();
        }
        if (fetched) *fetched = n;
        changed_.notify_all();
        return n == count ? S_OK : S_FALSE;
    }

    HRESULT SetOutput(std::shared_ptr<speech::AudioSink> output, bool) override {
        std::lock_guard lock(probe_->mutex);
        ++probe_->setOutputCalls;
        if (probe_->failSetOutputToDefault && output == probe_->defaultSink) return E_FAIL;
        probe_->output = output;
        std::lock_guard voiceLock(mutex_);
        output_ = std::move(output);
        return S_OK;
    }

    HRESULT GetOutputStream(std::shared_ptr<speech::AudioSink>* output) override {
        std::lock_guard lock(probe_->mutex);
        if (probe_->failGetOutput) return E_FAIL;
        *output = probe_->defaultSink;
        return S_OK;
    }

    HRESULT SetVoice(const speech::VoiceToken&) override { return S_OK; }
    HRESULT GetVoice(speech::VoiceToken* token) override {
        *token = speech::VoiceToken{"scripted", "Scripted", "Female", "en-us", "Test"};
        return S_OK;
    }

private:
    void Purge() {
        std::lock_guard lock(mutex_);
        jobs_.clear();
        events_.clear();
        if (playing_) {
            abort_ = true;
        }
        changed_.notify_all();
    }

    void Queue(SPEVENT event) {
        {
            std::lock_guard lock(mutex_);
            events_.push_back(std::move(event));
        }
        changed_.notify_all();
        if (!notifyPosted_.exchange(true) && window_) PostMessage(window_, WM_APP, 0, 0);
    }

    void Play() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return quit_ || !jobs_.empty(); });
            if (quit_) return;
            std::vector<ScriptStep> steps = std::move(jobs_.front());
            jobs_.pop_front();
            playing_ = true;
            abort_ = false;
            bool started = false;
            for (ScriptStep& step : steps) {
                if (changed_.wait_for(lock, step.delay, [&] { return quit_ || abort_; })) break;
                started = started || step.event.eEventId == speech::SPEI_START_INPUT_STREAM;
                if (step.event.eEventId == speech::SPEI_PHONEME && output_) {
                    const std::size_t bytes = ((step.event.wParam >> 16) & 0xFFFF) * 22050 / 1000 * 2;
                    std::vector<char> silence(bytes);
                    output_->Write(silence.data(), silence.size());
                }
                if (step.event.eEventId == speech::SPEI_END_INPUT_STREAM) started = false;
                lock.unlock();
                Queue(std::move(step.event));
                lock.lock();
            }
            // An interrupted stream still ends.
            if (abort_ && started) {
                lock.unlock();
                Queue(Event(speech::SPEI_END_INPUT_STREAM, 0, 0));
                lock.lock();
            }
            playing_ = false;
            abort_ = false;
            changed_.notify_all();
        }
    }

    std::shared_ptr<VoiceProbe> probe_;
    std::function<void()> callback_;
    HWND window_ = 0;
    std::atomic<bool> notifyPosted_{false};

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<ScriptStep>> jobs_;
    std::deque<SPEVENT> events_;
    std::shared_ptr<speech::AudioSink> output_;
    bool playing_ = false;
    bool abort_ = false;
    bool quit_ = false;
    std::thread player_;
};

class ProbedStream : public speech::SpStream {
public:
    explicit ProbedStream(std::shared_ptr<StreamProbe> probe) : probe_(std::move(probe)) {}
    ~ProbedStream() override {
        std::lock_guard lock(probe_->mutex);
        ++probe_->released;
    }
    speech::WaveFormat Format() const override { return speech::WaveFormat{}; }
    HRESULT Write(const void*, std::size_t bytes) override {
        std::lock_guard lock(probe_->mutex);
        probe_->bytesWritten += bytes;
        return S_OK;
    }
    HRESULT BindToFile(const std::string& path, speech::SPFILEMODE, const speech::WaveFormat&,
                       std::uint64_t) override {
        const auto slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
        struct stat st;
        if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return E_FAIL;
        std::lock_guard lock(probe_->mutex);
        probe_->boundPaths.push_back(path);
        return S_OK;
    }
    HRESULT Close() override { return S_OK; }

private:
    std::shared_ptr<StreamProbe> probe_;
};

}  // namespace

std::vector<ScriptStep> WordsScript(const std::string& text, std::uint16_t phonemeMs,
                                    std::chrono::microseconds delay) {
    std::vector<ScriptStep> steps;
    auto add = [&](SPEVENT e) { steps.push_back(ScriptStep{std::move(e), delay}); };
    add(Event(speech::SPEI_START_INPUT_STREAM, 0, 0));
    bool sentenceOpen = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (text[pos] == ' ') {
            ++pos;
            continue;
        }
        std::size_t end = text.find(' ', pos);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(pos, end - pos);
        if (word[0] == '#') {
            SPEVENT e = Event(speech::SPEI_TTS_BOOKMARK, 0, 0);
            e.elParamType = speech::SPET_LPARAM_IS_STRING;
            e.text = std::make_shared<std::wstring>(word.begin() + 1, word.end());
            e.lParam = reinterpret_cast<LPARAM>(e.text->c_str());
            try {
                e.wParam = std::stoul(word.substr(1));
            } catch (...) {
            }
            add(std::move(e));
        } else {
            if (!sentenceOpen) {
                add(Event(speech::SPEI_SENTENCE_BOUNDARY, 0, static_cast<LPARAM>(pos)));
                sentenceOpen = true;
            }
            add(Event(speech::SPEI_WORD_BOUNDARY, word.size(), static_cast<LPARAM>(pos)));
            for (char c : word) {
                if (c == '.') continue;
                const std::uint16_t phone = static_cast<std::uint16_t>(8 + (static_cast<unsigned char>(c) % 40));
                add(Event(speech::SPEI_PHONEME, static_cast<WPARAM>(phonemeMs) << 16, phone));
            }
            if (word.back() == '.') sentenceOpen = false;
        }
        pos = end;
    }
    add(Event(speech::SPEI_END_INPUT_STREAM, 0, 0));
    return steps;
}

std::function<HRESULT(std::unique_ptr<speech::ISpVoice>*)> ScriptedVoiceFactory(std::shared_ptr<VoiceProbe> probe) {
    return [probe](std::unique_ptr<speech::ISpVoice>* voice) -> HRESULT {
        if (probe->failCreate) return E_FAIL;
        *voice = std::make_unique<ScriptedVoice>(probe);
        return S_OK;
    };
}

std::function<std::shared_ptr<speech::SpStream>()> ProbedStreamFactory(std::shared_ptr<StreamProbe> probe) {
    return [probe] { return std::make_shared<ProbedStream>(probe); };
}

}  // namespace lipsmith::testing
