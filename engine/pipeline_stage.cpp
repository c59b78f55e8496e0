// A thread of the run's pipeline.
#include "engine/pipeline_stage.h"

namespace kx {

PipelineStage::PipelineStage() {
    InitializeCriticalSection(&lock_);
    InitializeConditionVariable(&changed_);
}

PipelineStage::~PipelineStage() {
    Stop();
    DeleteCriticalSection(&lock_);
}

bool PipelineStage::Start() {
    if (!thread_.valid()) thread_.reset(CreateThread(nullptr, 0, &PipelineStage::ThreadMain, this, 0, nullptr));
    return thread_.valid();
}

void PipelineStage::Stop() {
    if (!thread_.valid()) return;
    {
        Hold hold(this);
        stop_ = true;
        WakeAll();
    }
    WaitForSingleObject(thread_.get(), INFINITE);
    thread_.reset();
}

DWORD WINAPI PipelineStage::ThreadMain(void* self) {
    static_cast<PipelineStage*>(self)->Run();
    return 0;
}

}  // namespace kx
