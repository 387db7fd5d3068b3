#include "dshow/ds_class_factory.h"

#include "dshow/tests/test_filters.h"

#include <gtest/gtest.h>

namespace {

using namespace ds_test;

CDsUnknown *createSink(IUnknown *outer, HRESULT *)
{
    return new TestFilter(kSinkClass, 0, 1, outer);
}

CDsUnknown *createFailing(IUnknown *, HRESULT *result)
{
    *result = E_ACCESSDENIED;
    return nullptr;
}

const DsFactoryTemplate kTemplates[] = {
    {L"Sink", &kSinkClass, createSink, nullptr},
    {L"Failing", &kSourceClass, createFailing, nullptr},
};

class ClassFactoryTest : public ::testing::Test {
protected:
    ComScope com;
    IClassFactory *factory(const CLSID &id)
    {
        IClassFactory *f = nullptr;
        EXPECT_EQ(DsGetClassObject(kTemplates, 2, id, IID_IClassFactory, reinterpret_cast<void **>(&f)),
                  S_OK);
        return f;
    }
};

TEST_F(ClassFactoryTest, ServesTheClassesOfItsTableOnly)
{
    void *out = &out;
    const CLSID unknownClass = {0x1, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};
    EXPECT_EQ(DsGetClassObject(kTemplates, 2, unknownClass, IID_IClassFactory, &out),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(DsGetClassObject(kTemplates, 2, kSinkClass, IID_IBaseFilter, &out), E_NOINTERFACE);
    EXPECT_EQ(DsGetClassObject(kTemplates, 2, kSinkClass, IID_IClassFactory, nullptr), E_POINTER);
    ASSERT_EQ(DsGetClassObject(kTemplates, 2, kSinkClass, IID_IUnknown, &out), S_OK);
    EXPECT_EQ(static_cast<IUnknown *>(out)->Release(), 0u);
}

TEST_F(ClassFactoryTest, CreatesObjectsAndCountsThemAsLive)
{
    const LONG live = DsLiveObjectCount();
    IClassFactory *f = factory(kSinkClass);
    EXPECT_EQ(DsLiveObjectCount(), live + 1); // the factory counts
    EXPECT_EQ(DsCanUnloadNow(), S_FALSE);

    IBaseFilter *filter = nullptr;
    ASSERT_EQ(f->CreateInstance(nullptr, IID_IBaseFilter, reinterpret_cast<void **>(&filter)), S_OK);
    CLSID id;
    filter->GetClassID(&id);
    EXPECT_EQ(id, kSinkClass);
    EXPECT_EQ(refCountOf(filter), 1u);
    EXPECT_EQ(DsLiveObjectCount(), live + 3); // the factory, the filter and its pin

    void *none = &none;
    EXPECT_EQ(f->CreateInstance(nullptr, IID_IClassFactory, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    filter->Release();
    f->Release();
    EXPECT_EQ(DsLiveObjectCount(), live);
}

TEST_F(ClassFactoryTest, AggregationNeedsTheUnknown)
{
    IClassFactory *f = factory(kSinkClass);
    struct Outer : IUnknown {
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **) override { return E_NOINTERFACE; }
        ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
        ULONG STDMETHODCALLTYPE Release() override { return 1; }
    } outer;
    void *out = &out;
    EXPECT_EQ(f->CreateInstance(&outer, IID_IBaseFilter, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    IUnknown *inner = nullptr;
    ASSERT_EQ(f->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void **>(&inner)), S_OK);
    IBaseFilter *filter = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IBaseFilter, reinterpret_cast<void **>(&filter)), S_OK);
    IUnknown *viaFilter = nullptr;
    // The inner object's interfaces answer for the outer one.
    EXPECT_EQ(filter->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&viaFilter)), E_NOINTERFACE);
    EXPECT_EQ(inner->Release(), 0u);
    f->Release();
}

TEST_F(ClassFactoryTest, AFailedCreationAnswersItsReason)
{
    IClassFactory *f = factory(kSourceClass);
    void *out = &out;
    EXPECT_EQ(f->CreateInstance(nullptr, IID_IUnknown, &out), E_ACCESSDENIED);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(f->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
    f->Release();
}

TEST_F(ClassFactoryTest, ModuleUnloadsOnlyWithoutObjectsAndLocks)
{
    ASSERT_EQ(DsLiveObjectCount(), 0);
    EXPECT_EQ(DsCanUnloadNow(), S_OK);
    IClassFactory *f = factory(kSinkClass);
    EXPECT_EQ(DsCanUnloadNow(), S_FALSE);
    ASSERT_EQ(f->LockServer(TRUE), S_OK);
    f->Release();
    EXPECT_EQ(DsCanUnloadNow(), S_FALSE); // the lock alone keeps the module
    EXPECT_EQ(CDsClassFactory::LockCount(), 1);
    f = factory(kSinkClass);
    ASSERT_EQ(f->LockServer(FALSE), S_OK);
    f->Release();
    EXPECT_EQ(DsCanUnloadNow(), S_OK);
}

} // namespace
