// The voice: Speech API shaped, speaking with espeak-ng on the process's
// synthesis thread. Each Speak becomes a job; the synthesis thread runs the
// jobs in order, writes their audio to the output chosen at Speak time and
// queues their events, which the owner fetches with GetEvents after a
// notification delivered through its own thread's message queue.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <iterator>
#include <mutex>

#include "EspeakEngine.h"
#include "EspeakPhones.h"
#include "PhonemeTimeline.h"
#include "SapiXml.h"
#include "SpeakerOutput.h"
#include "SpeechApi.h"
#include "StressTrack.h"
#include "Utf8.h"
#include "VoiceTokens.h"

namespace lipsmith::engines {

using namespace lipsmith::speech;

namespace {

constexpr UINT kNotifyMessage = WM_USER + 0x51;
constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

struct Job {
    std::uint32_t stream = 0;
    SsmlText text;
    std::string voice;      // espeak-ng voice the job starts with
    std::string voiceName;  // its token's Name
    std::shared_ptr<AudioSink> sink;
    std::atomic<bool> aborted{false};
};

// State shared by the voice object, its jobs on the synthesis thread and its
// notification window.
struct VoiceCore {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<SPEVENT> events;
    std::uint64_t interest = 0;
    std::uint64_t queuedInterest = 0;
    std::function<void()> callback;
    HWND window = 0;
    bool notifyPosted = false;
    std::deque<std::shared_ptr<Job>> jobs;  // not finished yet, in order
    std::uint32_t nextStream = 1;
    std::shared_ptr<AudioSink> output;  // null: the speakers
    VoiceToken voice;

    // Caller holds the mutex.
    void Queue(SPEVENT ev) {
        const std::uint64_t bit = SPFEI(ev.eEventId);
        if (!(interest & bit) || !(queuedInterest & bit)) return;
        events.push_back(std::move(ev));
        if (callback && window && !notifyPosted) {
            if (PostMessage(window, kNotifyMessage, 0, 0)) notifyPosted = true;
        }
    }
    void FinishJob(const std::shared_ptr<Job>& job) {
        jobs.erase(std::remove(jobs.begin(), jobs.end(), job), jobs.end());
        changed.notify_all();
    }
    bool Idle() const { return jobs.empty() && events.empty(); }
};

SPEVENT StreamEvent(SPEVENTENUM id, std::uint32_t stream, std::uint64_t offset) {
    SPEVENT ev;
    ev.eEventId = id;
    ev.ulStreamNum = stream;
    ev.ullAudioStreamOffset = offset;
    return ev;
}

// Collects one job's synthesis into timed events.
class JobRun : public SynthListener {
public:
    JobRun(std::shared_ptr<VoiceCore> core, std::shared_ptr<Job> job, int sampleRate)
        : core_(std::move(core)), job_(std::move(job)), rate_(static_cast<std::uint32_t>(sampleRate)),
          timeline_(rate_), reported_(job_->text.marks.size(), false) {}

    void OnEvent(const espeak_EVENT& e) override {
        // The engine counts only its own samples; the output also holds the
        // silences written so far.
        const std::uint64_t engineAt = e.sample > 0 ? static_cast<std::uint64_t>(e.sample) : 0;
        const std::uint64_t at = engineAt + inserted_;
        switch (e.type) {
            case espeakEVENT_PHONEME: {
                const std::string name(e.id.string, strnlen(e.id.string, sizeof e.id.string));
                // A voice reading a word of another language says so with
                // a marker that takes no time: no phoneme, no key.
                if (IsLanguageSwitch(name)) break;
                const PhoneMapping m = MapEspeakPhoneme(name);
                const Stress s = stress_.Next(name);
                std::uint16_t features = s == Stress::Primary && IsVowelPhone(m.id) ? SPVFEATURE_STRESSED : 0;
                // Phoneme events carry the position of their word.
                if (!job_->text.emphasis.empty() && m.id != kSilencePhone &&
                    job_->text.Emphasized(job_->text.Map(e.text_position - 1, 1).start))
                    features |= SPVFEATURE_EMPHASIS;
                timeline_.AddPhoneme(at, m.id, features);
                break;
            }
            case espeakEVENT_WORD: {
                if (e.length <= 0) break;
                const SourceSpan span = job_->text.Map(e.text_position - 1, e.length);
                if (span.length <= 0) break;
                // espeak-ng starts no sentence after a change of voice; the
                // first word past the end of the last sentence starts one.
                if (needSentence_ && span.start >= sentenceEnd_) Sentence(at, span.start);
                SPEVENT ev = StreamEvent(SPEI_WORD_BOUNDARY, job_->stream, 0);
                ev.wParam = static_cast<WPARAM>(span.length);
                ev.lParam = span.start;
                timeline_.AddEvent(at, std::move(ev));
                break;
            }
            case espeakEVENT_SENTENCE:
                Sentence(at, job_->text.Map(e.text_position - 1, 1).start);
                break;
            case espeakEVENT_MARK: {
                const long index = e.id.name ? MarkIndex(e.id.name) : -1;
                if (index >= 0 && static_cast<std::size_t>(index) < reported_.size() && !reported_[index]) {
                    reported_[index] = true;
                    const SsmlMark& mark = job_->text.marks[index];
                    if (mark.kind == SsmlMark::Kind::Silence) {
                        ScheduleSilence(engineAt, mark.ms);
                        break;
                    }
                    timeline_.AddEvent(at, MarkEvent(static_cast<std::size_t>(index)));
                    if (mark.kind == SsmlMark::Kind::VoiceChange) needSentence_ = true;
                }
                break;
            }
            default: break;
        }
    }

    bool OnAudio(const short* samples, int count) override {
        if (job_->aborted) return false;
        const auto n = static_cast<std::uint64_t>(count);
        // Silences whose marks fall inside this block go in between its samples.
        std::uint64_t done = 0;
        while (!silences_.empty() && silences_.front().engineAt < engineWritten_ + n) {
            const std::uint64_t upTo = std::max(silences_.front().engineAt, engineWritten_) - engineWritten_;
            if (!Write(samples + done, upTo - done) || !WriteSilence(silences_.front().samples)) return false;
            done = upTo;
            silences_.pop_front();
        }
        engineWritten_ += n;
        return Write(samples + done, n - done);
    }

    void OnClausePhonemes(const char* phonemes) override { stress_.AddClause(phonemes); }
    bool Aborted() const override { return job_->aborted; }

    // After the synthesis: the last phoneme runs to the end of the audio, and
    // silences and bookmarks the engine reported at its very end or skipped
    // (none normally) still come, at the end.
    void Finish() {
        for (; !silences_.empty(); silences_.pop_front()) {
            if (!WriteSilence(silences_.front().samples)) return;
        }
        for (std::size_t i = 0; i < reported_.size(); ++i) {
            if (reported_[i]) continue;
            const SsmlMark& mark = job_->text.marks[i];
            if (mark.kind != SsmlMark::Kind::Silence) {
                timeline_.AddEvent(samples_, MarkEvent(i));
                continue;
            }
            timeline_.AddPhoneme(samples_, kSilencePhone, 0);
            if (!WriteSilence(SilenceSamples(mark.ms))) return;
        }
        timeline_.Finish(samples_);
        Deliver();
    }

    std::uint64_t Samples() const { return samples_; }

private:
    struct Silence {
        std::uint64_t engineAt = 0;  // engine sample before which it goes
        std::uint64_t samples = 0;
    };

    std::uint64_t SilenceSamples(long ms) const {
        return (static_cast<std::uint64_t>(std::max(ms, 0L)) * rate_ + 500) / 1000;
    }

    // A silence mark reached: from here on the output runs ahead of the
    // engine by the silence's length.
    void ScheduleSilence(std::uint64_t engineAt, long ms) {
        const std::uint64_t from = std::max(engineAt, engineWritten_);
        timeline_.AddPhoneme(from + inserted_, kSilencePhone, 0);
        const std::uint64_t count = SilenceSamples(ms);
        silences_.push_back({from, count});
        inserted_ += count;
    }

    bool Write(const short* samples, std::uint64_t count) {
        if (count == 0) return true;
        if (job_->aborted) return false;
        if (job_->sink && FAILED(job_->sink->Write(samples, static_cast<std::size_t>(count) * 2))) {
            // The output is broken (disk full, file gone): nothing more can be said to it.
            job_->aborted = true;
            return false;
        }
        samples_ += count;
        timeline_.AudioWritten(samples_);
        Deliver();
        return true;
    }

    bool WriteSilence(std::uint64_t count) {
        static const short kZeros[2048] = {};
        while (count > 0) {
            const std::uint64_t n = std::min<std::uint64_t>(count, std::size(kZeros));
            if (!Write(kZeros, n)) return false;
            count -= n;
        }
        return true;
    }

    void Sentence(std::uint64_t at, std::int32_t start) {
        const std::int32_t length = job_->text.SentenceLength(start);
        SPEVENT ev = StreamEvent(SPEI_SENTENCE_BOUNDARY, job_->stream, 0);
        ev.wParam = static_cast<WPARAM>(length);
        ev.lParam = start;
        timeline_.AddEvent(at, std::move(ev));
        sentenceEnd_ = start + length;
        needSentence_ = false;
    }

    SPEVENT MarkEvent(std::size_t index) {
        const SsmlMark& mark = job_->text.marks[index];
        const bool bookmark = mark.kind == SsmlMark::Kind::Bookmark;
        SPEVENT ev = StreamEvent(bookmark ? SPEI_TTS_BOOKMARK : SPEI_VOICE_CHANGE, job_->stream, 0);
        // Back to the job's own voice: the markup does not know its name.
        const std::string& text = !bookmark && mark.text.empty() ? job_->voiceName : mark.text;
        ev.text = std::make_shared<std::wstring>(Utf8ToWide(text));
        ev.elParamType = SPET_LPARAM_IS_STRING;
        ev.lParam = reinterpret_cast<LPARAM>(ev.text->c_str());
        if (bookmark) ev.wParam = static_cast<WPARAM>(std::strtol(mark.text.c_str(), nullptr, 10));
        return ev;
    }

    void Deliver() {
        std::vector<SPEVENT> ready = timeline_.TakeReady();
        if (ready.empty()) return;
        std::lock_guard lock(core_->mutex);
        if (job_->aborted) return;
        for (SPEVENT& ev : ready) {
            ev.ulStreamNum = job_->stream;
            core_->Queue(std::move(ev));
        }
    }

    std::shared_ptr<VoiceCore> core_;
    std::shared_ptr<Job> job_;
    std::uint32_t rate_;
    PhonemeTimeline timeline_;
    StressTrack stress_;
    std::vector<bool> reported_;
    std::deque<Silence> silences_;   // scheduled, not written yet
    std::uint64_t samples_ = 0;        // written to the output
    std::uint64_t engineWritten_ = 0;  // of those, made by the engine
    std::uint64_t inserted_ = 0;       // silences scheduled so far
    std::int32_t sentenceEnd_ = 0;
    bool needSentence_ = true;
};

// Runs on the synthesis thread.
void RunJob(EspeakEngine& engine, const std::shared_ptr<VoiceCore>& core, const std::shared_ptr<Job>& job) {
    {
        std::lock_guard lock(core->mutex);
        if (job->aborted) {
            // Purged before it began: its stream still ends, so a waiter on
            // the end of the stream is released.
            job->sink.reset();
            core->Queue(StreamEvent(SPEI_END_INPUT_STREAM, job->stream, 0));
            core->FinishJob(job);
            return;
        }
        core->Queue(StreamEvent(SPEI_START_INPUT_STREAM, job->stream, 0));
    }
    JobRun run(core, job, engine.SampleRate());
    engine.Synthesize(job->text.ssml, job->voice, run);
    if (!job->aborted) run.Finish();
    if (auto* speakers = dynamic_cast<SpeakerOutput*>(job->sink.get())) speakers->Drain();
    // The job's reference to a wave stream goes before the stream is reported
    // finished, so the file is complete once nobody else holds it.
    job->sink.reset();
    std::lock_guard lock(core->mutex);
    core->Queue(StreamEvent(SPEI_END_INPUT_STREAM, job->stream, run.Samples() * 2));
    core->FinishJob(job);
}

bool SameFormat(const WaveFormat& a, const WaveFormat& b) {
    return a.formatTag == b.formatTag && a.channels == b.channels && a.samplesPerSec == b.samplesPerSec &&
           a.bitsPerSample == b.bitsPerSample;
}

class EspeakVoice : public ISpVoice {
public:
    EspeakVoice(EspeakEngine& engine, VoiceToken voice) : engine_(engine), core_(std::make_shared<VoiceCore>()) {
        core_->voice = std::move(voice);
    }

    ~EspeakVoice() override {
        HWND window = 0;
        {
            std::unique_lock lock(core_->mutex);
            for (auto& job : core_->jobs) job->aborted = true;
            core_->changed.wait(lock, [&] { return core_->jobs.empty(); });
            // Let go of a wave stream now, so its file is complete when the voice is gone.
            core_->output.reset();
            window = core_->window;
            core_->window = 0;
            core_->callback = nullptr;
        }
        if (window) DestroyMessageWindow(window);
    }

    HRESULT SetNotifyCallbackFunction(std::function<void()> callback) override {
        HWND old = 0;
        HWND window = 0;
        if (callback) {
            std::weak_ptr<VoiceCore> weak = core_;
            window = CreateMessageWindow([weak](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
                if (msg != kNotifyMessage) return 0;
                auto core = weak.lock();
                if (!core) return 0;
                std::function<void()> cb;
                {
                    std::lock_guard lock(core->mutex);
                    core->notifyPosted = false;
                    cb = core->callback;
                }
                if (cb) cb();
                return 0;
            });
        }
        {
            std::lock_guard lock(core_->mutex);
            old = core_->window;
            core_->window = window;
            core_->callback = std::move(callback);
            core_->notifyPosted = false;
            if (core_->callback && !core_->events.empty() && PostMessage(window, kNotifyMessage, 0, 0))
                core_->notifyPosted = true;
        }
        if (old) DestroyMessageWindow(old);
        return S_OK;
    }

    HRESULT SetInterest(std::uint64_t eventInterest, std::uint64_t queuedInterest) override {
        std::lock_guard lock(core_->mutex);
        core_->interest = eventInterest;
        core_->queuedInterest = queuedInterest;
        return S_OK;
    }

    HRESULT Speak(const std::string& text, std::uint32_t flags, std::uint32_t* streamNumber) override {
        if (streamNumber) *streamNumber = 0;
        if (flags & SPF_PURGEBEFORESPEAK) Purge();
        if (text.empty()) return S_OK;

        auto job = std::make_shared<Job>();
        const auto& voices = engine_.Voices();
        job->text = TranslateSapiXml(text, (flags & SPF_IS_XML) != 0,
                                     [&voices](std::string_view required, std::string_view optional)
                                         -> std::optional<VoiceChoice> {
                                         auto t = ChooseVoice(voices, required, optional);
                                         if (!t) return std::nullopt;
                                         return VoiceChoice{t->id, t->name};
                                     });
        {
            std::lock_guard lock(core_->mutex);
            job->stream = core_->nextStream++;
            job->voice = core_->voice.id;
            job->voiceName = core_->voice.name;
            job->sink = core_->output ? core_->output : std::static_pointer_cast<AudioSink>(Speakers());
            core_->jobs.push_back(job);
        }
        if (streamNumber) *streamNumber = job->stream;
        engine_.Post([&engine = engine_, core = core_, job] { RunJob(engine, core, job); });

        if (!(flags & SPF_ASYNC)) {
            std::unique_lock lock(core_->mutex);
            core_->changed.wait(lock, [&] {
                return std::find(core_->jobs.begin(), core_->jobs.end(), job) == core_->jobs.end();
            });
        }
        return S_OK;
    }

    HRESULT WaitUntilDone(std::uint32_t timeoutMs) override {
        std::unique_lock lock(core_->mutex);
        auto idle = [&] { return core_->Idle(); };
        if (timeoutMs == kInfinite) {
            core_->changed.wait(lock, idle);
            return S_OK;
        }
        return core_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), idle) ? S_OK : S_FALSE;
    }

    HRESULT GetEvents(std::uint32_t count, SPEVENT* events, std::uint32_t* fetched) override {
        if (fetched) *fetched = 0;
        if (!events && count > 0) return E_POINTER;
        std::lock_guard lock(core_->mutex);
        std::uint32_t n = 0;
        while (n < count && !core_->events.empty()) {
            events[n++] = std::move(core_->events.front());
            core_->events.pop_front();
        }
        if (fetched) *fetched = n;
        if (core_->Idle()) core_->changed.notify_all();
        return n == count ? S_OK : S_FALSE;
    }

    HRESULT SetOutput(std::shared_ptr<AudioSink> output, bool) override {
        if (output && !dynamic_cast<SpeakerOutput*>(output.get()) &&
            !SameFormat(output->Format(), Format22kHz16BitMono()))
            return E_INVALIDARG;  // the engine speaks 22050 Hz 16-bit mono only
        if (dynamic_cast<SpeakerOutput*>(output.get())) output = nullptr;
        std::lock_guard lock(core_->mutex);
        core_->output = std::move(output);
        return S_OK;
    }

    HRESULT GetOutputStream(std::shared_ptr<AudioSink>* output) override {
        if (!output) return E_POINTER;
        std::lock_guard lock(core_->mutex);
        *output = core_->output ? core_->output : std::static_pointer_cast<AudioSink>(Speakers());
        return S_OK;
    }

    HRESULT SetVoice(const VoiceToken& token) override {
        for (const VoiceToken& t : engine_.Voices()) {
            if ((!token.id.empty() && t.id == token.id) || (token.id.empty() && t.name == token.name)) {
                std::lock_guard lock(core_->mutex);
                core_->voice = t;
                return S_OK;
            }
        }
        return E_INVALIDARG;
    }

    HRESULT GetVoice(VoiceToken* token) override {
        if (!token) return E_POINTER;
        std::lock_guard lock(core_->mutex);
        *token = core_->voice;
        return S_OK;
    }

private:
    // Stops what is being said, drops what waits, and drops queued events
    // except the ends of streams (each stream still reports its end).
    void Purge() {
        std::lock_guard lock(core_->mutex);
        for (auto& job : core_->jobs) job->aborted = true;
        std::deque<SPEVENT> kept;
        for (SPEVENT& ev : core_->events) {
            if (ev.eEventId == SPEI_END_INPUT_STREAM) kept.push_back(std::move(ev));
        }
        core_->events.swap(kept);
        core_->changed.notify_all();
    }

    EspeakEngine& engine_;
    std::shared_ptr<VoiceCore> core_;
};

}  // namespace

}  // namespace lipsmith::engines

namespace lipsmith::speech {

HRESULT CreateSpVoice(std::unique_ptr<ISpVoice>* voice) {
    if (!voice) return E_POINTER;
    voice->reset();
    engines::EspeakEngine* engine = engines::EspeakEngine::Get();
    if (!engine) return E_FAIL;
    auto token = engines::DefaultVoice(engine->Voices());
    if (!token) return E_FAIL;
    *voice = std::make_unique<engines::EspeakVoice>(*engine, *token);
    return S_OK;
}

}  // namespace lipsmith::speech
