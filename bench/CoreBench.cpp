// Costs of the engine core that every frame pays: event delivery and object-list copies.
#include <qm/Event.h>
#include <qm/Manager.h>
#include <qm/Object.h>
#include <qm/ObjectList.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace
{

class OpenManager : public qm::Manager
{
public:
    OpenManager() { setType("OpenManager"); }
    bool isValid(std::string) const override { return true; }
};

class Counter : public qm::Object
{
public:
    int eventHandler(const qm::Event*) override { return ++handled; }
    int handled = 0;
};

class NamedEvent : public qm::Event
{
public:
    explicit NamedEvent(const std::string& type) { setType(type); }
};

// One delivery to N registered objects: the cost of the step event each frame.
void BM_DeliverEvent(benchmark::State& state)
{
    OpenManager manager;
    std::vector<std::unique_ptr<Counter>> objects;
    for (int i = 0; i < state.range(0); ++i)
    {
        objects.push_back(std::make_unique<Counter>());
        manager.registerInterest(objects.back().get(), "tick");
    }
    const NamedEvent tick("tick");
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(manager.onEvent(&tick));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DeliverEvent)->Arg(10)->Arg(1000)->Arg(10000);

void BM_CopyObjectList(benchmark::State& state)
{
    std::vector<std::unique_ptr<Counter>> objects;
    qm::ObjectList list;
    for (int i = 0; i < state.range(0); ++i)
    {
        objects.push_back(std::make_unique<Counter>());
        list.insert(objects.back().get());
    }
    for (auto _ : state)
    {
        qm::ObjectList copy = list;
        benchmark::DoNotOptimize(copy.getCount());
    }
}
BENCHMARK(BM_CopyObjectList)->Arg(100)->Arg(10000);

} // namespace
