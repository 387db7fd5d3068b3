// The stream side of the bridge filter: the audio types it accepts, the
// formats it keeps, and the rendering of each input block (cut at the
// parameters' change points) or, without input, of block after block.
#include "bridge/dxi/bridge_filter.h"

#include <cstring>

namespace Halvorin {

namespace {

constexpr ULONG kFormatHead = 18; // the WAVEFORMATEX fields, without extra bytes
// Frames of a block rendered without input when no allocator says more.
constexpr LONG kDefaultBlockFrames = 2048;

// The filter's own check of an audio type; the format's head into format.
HRESULT checkAudioType(const CDsMediaType *type, WAVEFORMATEX *format)
{
    if (!type)
        return E_POINTER;
    if (type->majortype != MEDIATYPE_Audio || type->bTemporalCompression || type->cbFormat < kFormatHead ||
        !type->pbFormat)
        return VFW_E_TYPE_NOT_ACCEPTED;
    WAVEFORMATEX head = {};
    std::memcpy(&head, type->pbFormat, kFormatHead);
    const bool encoding = (head.wFormatTag == WAVE_FORMAT_PCM && head.wBitsPerSample == 16) ||
                          (head.wFormatTag == WAVE_FORMAT_EXTENSIBLE && head.wBitsPerSample == 16) ||
                          (head.wFormatTag == WAVE_FORMAT_IEEE_FLOAT && head.wBitsPerSample == 32);
    if (!encoding || (head.nChannels != 1 && head.nChannels != 2))
        return VFW_E_TYPE_NOT_ACCEPTED;
    // Frames are counted by the block alignment: one that is not a frame's
    // size would make the engine read and write past the host's buffers.
    if (head.nBlockAlign != head.nChannels * (head.wBitsPerSample / 8))
        return VFW_E_TYPE_NOT_ACCEPTED;
    if (format)
        *format = head;
    return S_OK;
}

// The block alignment of a pin's connection; 0 without a pin.
int blockAlign(const CDsPin *pin)
{
    if (!pin)
        return 0;
    const CDsMediaType &type = pin->CurrentMediaType();
    if (type.cbFormat < kFormatHead || !type.pbFormat)
        return 0;
    return reinterpret_cast<const WAVEFORMATEX *>(type.pbFormat)->nBlockAlign;
}

bool offersFloatBuffer(IMediaSample *sample, IDXiFloatBuffer **out = nullptr)
{
    IDXiFloatBuffer *floats = nullptr;
    if (FAILED(sample->QueryInterface(IID_IDXiFloatBuffer, reinterpret_cast<void **>(&floats))))
        return false;
    if (out)
        *out = floats;
    else
        floats->Release();
    return true;
}

} // namespace

HRESULT CBridgeFilter::CheckInputType(const CDsMediaType *type)
{
    WAVEFORMATEX format;
    const HRESULT hr = checkAudioType(type, &format);
    return FAILED(hr) ? hr : CBridgeEngine::CheckFormat(format);
}

HRESULT CBridgeFilter::CheckOutputType(const CDsMediaType *type)
{
    return CheckInputType(type);
}

HRESULT CBridgeFilter::CheckTypePair(const CDsMediaType *input, const CDsMediaType *output)
{
    WAVEFORMATEX in, out;
    if (FAILED(checkAudioType(input, &in)) || FAILED(checkAudioType(output, &out)) ||
        in.nSamplesPerSec != out.nSamplesPerSec)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return CBridgeEngine::CheckPair(in, out);
}

HRESULT CBridgeFilter::StoreFormat(const CDsMediaType *type, bool input)
{
    CDsAutoLock guard(&lock);
    WAVEFORMATEX format;
    HRESULT hr = checkAudioType(type, &format);
    if (SUCCEEDED(hr))
        hr = CBridgeEngine::CheckFormat(format);
    if (FAILED(hr))
        return hr;
    (input ? inputFormat_ : outputFormat_) = format;
    (input ? hasInputFormat_ : hasOutputFormat_) = true;
    if (hasInputFormat_)
        params_->SetSampleRate(inputFormat_.nSamplesPerSec);
    return S_OK;
}

int32_t CBridgeFilter::streamRate() const
{
    if (hasInputFormat_)
        return static_cast<int32_t>(inputFormat_.nSamplesPerSec);
    if (hasOutputFormat_)
        return static_cast<int32_t>(outputFormat_.nSamplesPerSec);
    return static_cast<int32_t>(params_->SampleRate());
}

HRESULT CBridgeFilter::ReconnectOutputs()
{
    CDsAutoLock guard(&lock);
    for (CBridgeOutputPin *pin : outputs_) {
        if (!pin->IsConnected() ||
            SUCCEEDED(CheckTypePair(&input_->CurrentMediaType(), &pin->CurrentMediaType())))
            continue;
        if (!graph_)
            return VFW_E_NOT_IN_GRAPH;
        if (const HRESULT hr = graph_->Reconnect(pin); FAILED(hr))
            return hr;
    }
    return S_OK;
}

// ---- rendering

HRESULT CBridgeFilter::prepareOutputs(const REFERENCE_TIME *start, IMediaSample *input)
{
    records_.clear();
    for (CBridgeOutputPin *pin : outputs_) {
        if (!pin->IsConnected())
            continue;
        IMediaSample *sample = nullptr;
        const HRESULT hr = pin->GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
        if (FAILED(hr)) {
            releaseOutputs();
            return hr;
        }
        if (start)
            sample->SetTime(const_cast<REFERENCE_TIME *>(start), nullptr);
        if (input) {
            sample->SetSyncPoint(input->IsSyncPoint() == S_OK);
            sample->SetDiscontinuity(input->IsDiscontinuity() == S_OK);
            sample->SetPreroll(input->IsPreroll() == S_OK);
        }
        const int align = blockAlign(pin);
        IDXiFloatBuffer *floats = nullptr;
        if (offersFloatBuffer(sample, &floats)) {
            floats->SetPendingFill(1);
            floats->Release();
        }
        records_.push_back({align > 0 ? sample->GetSize() / align : 0, 0, pin->Id(), sample, true});
    }
    return S_OK;
}

void CBridgeFilter::releaseOutputs()
{
    for (BridgeBufferRecord &record : records_)
        if (record.sample)
            record.sample->Release();
    records_.clear();
}

HRESULT CBridgeFilter::processPart(int frames, int64_t blockStart, bool last, BridgeBufferRecord *input)
{
    for (BridgeBufferRecord &record : records_)
        record.frames = frames;
    if (input)
        input->frames = frames;
    TempoState tempo = {};
    GetTempoState(frames, &tempo);
    const HRESULT hr =
        engine_.Process(params_->Provider(), records_.data(), static_cast<int>(records_.size()), input,
                        frames, blockStart, last, tempo, streamRate(), queue_);
    for (BridgeBufferRecord &record : records_)
        record.offset += frames * blockAlign(FindOutputPin(record.pinId));
    if (input)
        input->offset += frames * inputFormat_.nBlockAlign;
    samplesSinceStart_ += frames;
    queue_.Flush();
    return hr;
}

HRESULT CBridgeFilter::deliver(BridgeBufferRecord &record, HRESULT result)
{
    CBridgeOutputPin *pin = FindOutputPin(record.pinId);
    if (!pin)
        return S_OK;
    if (result == S_FALSE)
        return pin->DeliverEndOfStream();
    const int align = blockAlign(pin);
    if (record.zeroPending && !offersFloatBuffer(record.sample)) {
        BYTE *data = nullptr;
        if (SUCCEEDED(record.sample->GetPointer(&data)))
            std::memset(data, 0, static_cast<size_t>(record.frames) * align);
    }
    record.zeroPending = false;
    record.sample->SetActualDataLength(record.frames * align);
    return pin->Deliver(record.sample);
}

HRESULT CBridgeFilter::Receive(IMediaSample *sample)
{
    CDsAutoLock guard(&lock);
    if (!hasInputFormat_ || inputFormat_.nBlockAlign == 0)
        return VFW_E_NOT_CONNECTED;
    REFERENCE_TIME start = 0, stop = 0;
    const bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
    if (timed && sample->IsDiscontinuity() == S_OK)
        renderPosition_ = start * static_cast<int64_t>(inputFormat_.nSamplesPerSec) / 10000000;
    const int frames = sample->GetActualDataLength() / inputFormat_.nBlockAlign;
    BridgeBufferRecord input = {frames, 0, -1, sample, false};
    IDXiFloatBuffer *floats = nullptr;
    if (offersFloatBuffer(sample, &floats)) {
        input.zeroPending = floats->GetPendingFill() != 0;
        floats->Release();
    }
    const std::vector<int64_t> &points = params_->ChangePoints(renderPosition_, renderPosition_ + frames);
    HRESULT hr = prepareOutputs(timed ? &start : nullptr, sample);
    if (FAILED(hr))
        return hr;
    for (BridgeBufferRecord &record : records_) {
        if (record.frames < frames) {
            releaseOutputs();
            return E_FAIL;
        }
        record.frames = frames;
    }
    int done = 0;
    int64_t last = renderPosition_;
    for (const int64_t point : points) {
        params_->ValuesAt(point);
        if (point != last) {
            const int length = static_cast<int>(std::min<int64_t>(point - last, frames - done));
            if (length > 0) {
                hr = processPart(length, renderPosition_ + done, done + length == frames, &input);
                done += length;
            }
        }
        last = point;
        if (FAILED(hr)) {
            releaseOutputs();
            return hr;
        }
    }
    if (done < frames)
        hr = processPart(frames - done, renderPosition_ + done, true, &input);
    for (BridgeBufferRecord &record : records_) {
        record.offset = 0;
        record.frames = frames;
        const HRESULT delivered = deliver(record, hr);
        if (SUCCEEDED(hr) && FAILED(delivered))
            hr = delivered;
    }
    renderPosition_ += frames;
    queue_.Flush();
    releaseOutputs();
    return hr;
}

// ---- rendering without input

HRESULT CBridgeFilter::StartEndOfStream()
{
    CDsAutoLock guard(&lock);
    if (endOfStream_) {
        if (WaitForSingleObject(endOfStream_, 0) == WAIT_TIMEOUT)
            return S_OK;
        CloseHandle(endOfStream_);
    }
    endOfStreamStop_ = false;
    endOfStream_ = CreateThread(nullptr, 0, endOfStreamThread, this, 0, nullptr);
    return endOfStream_ ? S_OK : E_OUTOFMEMORY;
}

void CBridgeFilter::stopEndOfStream()
{
    endOfStreamStop_ = true;
    if (!endOfStream_)
        return;
    WaitForSingleObject(endOfStream_, INFINITE);
    CloseHandle(endOfStream_);
    endOfStream_ = nullptr;
}

DWORD WINAPI CBridgeFilter::endOfStreamThread(void *self)
{
    static_cast<CBridgeFilter *>(self)->renderWithoutInput();
    return 0;
}

// Block after block into every connected output, until the filter stops
// or a delivery fails; then the outputs are told the stream ended. The
// delivery buffers are waited for without the filter lock, so a Stop can
// always take it.
void CBridgeFilter::renderWithoutInput()
{
    std::vector<CBridgeOutputPin *> pins;
    std::vector<BridgeBufferRecord> blocks;
    pins.reserve(8);
    blocks.reserve(8);
    HRESULT hr = S_OK;
    while (!endOfStreamStop_ && SUCCEEDED(hr)) {
        {
            CDsAutoLock guard(&lock);
            for (CBridgeOutputPin *pin : outputs_) {
                if (pin->IsConnected()) {
                    static_cast<IPin *>(pin)->AddRef();
                    pins.push_back(pin);
                }
            }
        }
        if (pins.empty())
            return;
        for (CBridgeOutputPin *pin : pins) {
            IMediaSample *sample = nullptr;
            if (FAILED(hr = pin->GetDeliveryBuffer(&sample, nullptr, nullptr, 0)))
                break;
            const int align = blockAlign(pin);
            blocks.push_back({align > 0 ? sample->GetSize() / align : 0, 0, pin->Id(), sample, true});
        }
        if (SUCCEEDED(hr)) {
            CDsAutoLock guard(&lock);
            for (const BridgeBufferRecord &block : blocks)
                if (block.frames > blocks.front().frames)
                    hr = E_FAIL;
            const int frames = blocks.empty() ? 0 : blocks.front().frames;
            if (SUCCEEDED(hr) && !endOfStreamStop_ && frames > 0) {
                records_.swap(blocks);
                hr = processPart(frames, renderPosition_, true, nullptr);
                for (BridgeBufferRecord &record : records_) {
                    record.offset = 0;
                    record.frames = frames;
                }
                records_.swap(blocks);
                renderPosition_ += frames;
            } else if (SUCCEEDED(hr)) {
                hr = E_ABORT;
            }
        }
        for (size_t i = 0; i < blocks.size(); ++i) {
            if (SUCCEEDED(hr))
                hr = deliver(blocks[i], S_OK);
            blocks[i].sample->Release();
        }
        blocks.clear();
        if (FAILED(hr) || endOfStreamStop_)
            for (CBridgeOutputPin *pin : pins)
                pin->DeliverEndOfStream();
        for (CBridgeOutputPin *pin : pins)
            static_cast<IPin *>(pin)->Release();
        pins.clear();
    }
}

} // namespace Halvorin
