// Quarmont.vst3 and Quarmont.lv2 as a host sees them: the VST3 module's exports and factory, and
// for both formats the parameters, buses, latency, audio and state, all through JUCE's hosting of
// the built bundles; and the two formats rendering and saving alike.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <map>

// The SDK's headers are not ours to warn about (JUCE 8's copy shadows a member in funknown.h).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#include <pluginterfaces/base/ipluginbase.h>
#include <pluginterfaces/vst/ivstcomponent.h>
#include <pluginterfaces/vst/ivstunits.h>
#pragma GCC diagnostic pop

#include "hosting/PluginHost.h"
#include "plugin/HostedBundles.h"

namespace
{
const juce::File bundle { QUARMONT_VST3_BUNDLE };

juce::File moduleBinary()
{
    return bundle.getChildFile ("Contents/x86_64-linux/Quarmont.so");
}

// The tests every format must pass, run once per bundle.
using quarmont::testing::valuesInState;

class HostedPlugin : public quarmont::testing::EachBundle {};
INSTANTIATE_TEST_SUITE_P (EachFormat, HostedPlugin, ::testing::ValuesIn (quarmont::testing::hostedBundles),
                          quarmont::testing::formatOf);

std::unique_ptr<juce::AudioPluginInstance> load (double sampleRate = 48000.0, int blockSize = 512, int channels = 2)
{
    juce::String error;
    auto instance = quarmont::hosting::loadVst3 (bundle, sampleRate, blockSize, channels, error);
    EXPECT_NE (instance, nullptr) << error;
    return instance;
}

juce::AudioProcessorParameter* parameterNamed (juce::AudioPluginInstance& instance, const juce::String& name)
{
    for (auto* parameter : instance.getParameters())
        if (parameter->getName (100) == name)
            return parameter;

    return nullptr;
}

float hostValueAsNumber (juce::AudioProcessorParameter& parameter, float normalised)
{
    return parameter.getText (normalised, 100).getFloatValue();
}

//==============================================================================
TEST (HostedModule, ExportsTheVst3EntryPoints)
{
    auto* handle = dlopen (moduleBinary().getFullPathName().toRawUTF8(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE (handle, nullptr) << dlerror();

    for (const auto* symbol : { "GetPluginFactory", "ModuleEntry", "ModuleExit" })
        EXPECT_NE (dlsym (handle, symbol), nullptr) << symbol;

    dlclose (handle);
}

TEST (HostedModule, FactoryRegistersTwoClassesWithTheDeclaredIdentity)
{
    using namespace Steinberg;
    auto* handle = dlopen (moduleBinary().getFullPathName().toRawUTF8(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE (handle, nullptr) << dlerror();

    using EntryFn = bool (*) (void*);
    using ExitFn = bool (*)();
    using FactoryFn = IPluginFactory* (*)();
    auto moduleEntry = reinterpret_cast<EntryFn> (dlsym (handle, "ModuleEntry"));
    auto moduleExit = reinterpret_cast<ExitFn> (dlsym (handle, "ModuleExit"));
    auto getFactory = reinterpret_cast<FactoryFn> (dlsym (handle, "GetPluginFactory"));
    ASSERT_TRUE (moduleEntry != nullptr && moduleExit != nullptr && getFactory != nullptr);
    ASSERT_TRUE (moduleEntry (handle));

    auto* factory = getFactory();
    ASSERT_NE (factory, nullptr);

    PFactoryInfo factoryInfo;
    ASSERT_EQ (factory->getFactoryInfo (&factoryInfo), kResultOk);
    EXPECT_STREQ (factoryInfo.vendor, "Varnholt Audio");
    EXPECT_STREQ (factoryInfo.url, "");
    EXPECT_STREQ (factoryInfo.email, "");
    EXPECT_TRUE ((factoryInfo.flags & PFactoryInfo::kUnicode) != 0);

    IPluginFactory2* factory2 = nullptr;
    ASSERT_EQ (factory->queryInterface (IPluginFactory2::iid, (void**) &factory2), kResultOk);
    ASSERT_EQ (factory2->countClasses(), 2);

    for (int32 i = 0; i < factory2->countClasses(); ++i)
    {
        PClassInfo2 info;
        ASSERT_EQ (factory2->getClassInfo2 (i, &info), kResultOk);
        EXPECT_STREQ (info.name, "Quarmont");
        EXPECT_STREQ (info.subCategories, "Fx|Fx|Dynamics") << info.category;
        EXPECT_STREQ (info.vendor, "Varnholt Audio");
        EXPECT_STREQ (info.version, "1.2.0");
        EXPECT_STREQ (info.sdkVersion, "VST 3.8.0");
    }

    factory2->release();
    factory->release();
    moduleExit();
    dlclose (handle);
}

TEST (HostedModule, DescriptionAsAHostListsIt)
{
    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> descriptions;
    format.findAllTypesForFile (descriptions, bundle.getFullPathName());
    ASSERT_EQ (descriptions.size(), 1);

    const auto& d = *descriptions[0];
    EXPECT_EQ (d.name, "Quarmont");
    EXPECT_EQ (d.manufacturerName, "Varnholt Audio");
    EXPECT_EQ (d.version, "1.2.0");
    EXPECT_EQ (d.category, "Fx|Fx|Dynamics");
    EXPECT_FALSE (d.isInstrument);
    EXPECT_EQ (d.pluginFormatName, "VST3");
}

//==============================================================================
TEST_P (HostedPlugin, ParametersAsTheHostSeesThem)
{
    auto instance = load();
    ASSERT_NE (instance, nullptr);
    const auto& parameters = instance->getParameters();

    // The wrapper may add a bypass parameter of its own for the host. The VST3 lists ours first,
    // in their order; JUCE's LV2 hosting lists them in an order of its own.
    ASSERT_GE (parameters.size(), 55);
    ASSERT_LE (parameters.size(), 56);

    const char* suffixes[] { " Frequency Low", " Frequency High", " Level Min", " Level Max", " Gain", " Attack",
                             " Release", " Lookahead", " Upper Knee", " Lower Knee", " Bypass" };

    for (int i = 0; i < 55; ++i)
    {
        const auto name = "Band " + juce::String (i / 11 + 1) + suffixes[i % 11];
        EXPECT_NE (parameterNamed (*instance, name), nullptr) << name;

        if (GetParam().listsParametersInOrder)
            EXPECT_EQ (parameters[i]->getName (100), name) << i;
    }

    struct Case { const char* name; float atZero, atOne, atDefault; };
    const Case cases[] {
        { "Band 1 Frequency Low", 20.0f, 20000.0f, 20.0f },
        { "Band 5 Frequency High", 20.0f, 20000.0f, 20000.0f },
        { "Band 3 Frequency Low", 20.0f, 20000.0f, 600.0f },
        { "Band 2 Level Min", -80.0f, 0.0f, -80.0f },
        { "Band 2 Gain", -60.0f, 24.0f, 0.0f },
        { "Band 4 Attack", 1.0f, 300.0f, 25.0f },
        { "Band 4 Release", 10.0f, 2500.0f, 250.0f },
        { "Band 5 Lookahead", 0.0f, 20.0f, 10.0f },
        { "Band 1 Lower Knee", 0.0f, 24.0f, 0.0f },
    };

    for (const auto& c : cases)
    {
        auto* parameter = parameterNamed (*instance, c.name);
        ASSERT_NE (parameter, nullptr) << c.name;
        EXPECT_NEAR (hostValueAsNumber (*parameter, 0.0f), c.atZero, 0.01f) << c.name;
        EXPECT_NEAR (hostValueAsNumber (*parameter, 1.0f), c.atOne, 0.01f) << c.name;
        EXPECT_NEAR (hostValueAsNumber (*parameter, parameter->getDefaultValue()), c.atDefault, 0.01f) << c.name;
        EXPECT_TRUE (parameter->isAutomatable()) << c.name;
    }

    // The frequency knobs' logarithmic mapping travels only with the VST3; an LV2 host sees the
    // plain range and maps it linearly.
    if (GetParam().hasPluginsNormalisation)
        EXPECT_NEAR (hostValueAsNumber (*parameterNamed (*instance, "Band 1 Frequency High"), 0.5f), 1000.0f, 0.5f);

    for (int band = 1; band <= 5; ++band)
    {
        auto* bypass = parameterNamed (*instance, "Band " + juce::String (band) + " Bypass");
        ASSERT_NE (bypass, nullptr);
        EXPECT_EQ (bypass->getNumSteps(), 2);
        EXPECT_EQ (bypass->getDefaultValue(), 0.0f);
    }
}

TEST_P (HostedPlugin, LatencyIs2048AfterLoadAndAtEverySampleRate)
{
    auto instance = load (44100.0);
    ASSERT_NE (instance, nullptr);
    EXPECT_EQ (instance->getLatencySamples(), 2048);

    for (const auto rate : { 48000.0, 96000.0, 192000.0, 22050.0 })
    {
        instance->releaseResources();
        instance->prepareToPlay (rate, 256);
        quarmont::hosting::pumpMessages (20);
        EXPECT_EQ (instance->getLatencySamples(), 2048) << rate;
    }
}

TEST_P (HostedPlugin, AcceptsMatchingMonoAndStereoOnly)
{
    using Set = juce::AudioChannelSet;
    auto instance = load();
    ASSERT_NE (instance, nullptr);
    instance->releaseResources(); // a running instance cannot be asked about layouts

    struct Case { Set in, out; bool accepted; };
    const Case cases[] {
        { Set::mono(), Set::mono(), true },
        { Set::stereo(), Set::stereo(), true },
        { Set::mono(), Set::stereo(), false },
        { Set::stereo(), Set::mono(), false },
        { Set::create5point1(), Set::create5point1(), false },
    };

    for (const auto& c : cases)
    {
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add (c.in);
        layout.outputBuses.add (c.out);
        const auto accepted = c.accepted && (GetParam().offersMono || c.out != Set::mono());
        EXPECT_EQ (instance->checkBusesLayoutSupported (layout), accepted)
            << c.in.getDescription() << " -> " << c.out.getDescription();
    }
}

TEST_P (HostedPlugin, AudioComesBackExactly2048SamplesLate)
{
    for (const auto channels : quarmont::testing::channelCountsOf (GetParam()))
    {
        auto instance = load (48000.0, 512, channels);
        ASSERT_NE (instance, nullptr);

        juce::AudioBuffer<float> audio (channels, 12000);
        audio.clear();

        for (int ch = 0; ch < channels; ++ch)
            audio.setSample (ch, 5000, ch == 0 ? 1.0f : -0.5f);

        quarmont::hosting::renderInPlace (*instance, audio, 300);

        for (int ch = 0; ch < channels; ++ch)
        {
            EXPECT_NEAR (audio.getSample (ch, 7048), ch == 0 ? 1.0f : -0.5f, 1.0e-5f);
            audio.setSample (ch, 7048, 0.0f);
            EXPECT_LT (audio.getMagnitude (ch, 0, audio.getNumSamples()), 1.0e-5f) << "channel " << ch;
        }
    }
}

TEST (HostedPlugin, TheSingleProgramHasAName)
{
    // Hosts and Steinberg's validator read the program list through IUnitInfo.
    auto instance = load();
    ASSERT_NE (instance, nullptr);

    struct ComponentFinder : juce::ExtensionsVisitor
    {
        void visitVST3Client (const VST3Client& client) override { component = client.getIComponentPtr(); }
        Steinberg::Vst::IComponent* component = nullptr;
    } finder;

    instance->getExtensions (finder);
    ASSERT_NE (finder.component, nullptr);

    Steinberg::Vst::IUnitInfo* unitInfo = nullptr;
    ASSERT_EQ (finder.component->queryInterface (Steinberg::Vst::IUnitInfo::iid, (void**) &unitInfo), Steinberg::kResultOk);
    ASSERT_EQ (unitInfo->getProgramListCount(), 1);

    Steinberg::Vst::ProgramListInfo listInfo {};
    ASSERT_EQ (unitInfo->getProgramListInfo (0, listInfo), Steinberg::kResultOk);
    EXPECT_EQ (listInfo.programCount, 1);

    Steinberg::Vst::String128 name {};
    ASSERT_EQ (unitInfo->getProgramName (listInfo.id, 0, name), Steinberg::kResultOk);
    EXPECT_EQ (juce::String (juce::CharPointer_UTF16 (reinterpret_cast<const juce::CharPointer_UTF16::CharType*> (name))),
               "Default");
    unitInfo->release();
}

/** Lets parameter changes through in both directions: an LV2 instance exchanges them with its
    host in its next block. */
void settle (juce::AudioPluginInstance& instance)
{
    juce::AudioBuffer<float> silence (instance.getTotalNumOutputChannels(), 512);
    silence.clear();
    quarmont::hosting::renderInPlace (instance, silence, 512);
    quarmont::hosting::pumpMessages (20);
}

TEST_P (HostedPlugin, StateTravelsBetweenInstancesAndPartialStatesKeepTheRest)
{
    auto first = load();
    auto second = load();
    ASSERT_TRUE (first != nullptr && second != nullptr);

    juce::Random random (7);
    for (auto* parameter : first->getParameters())
        if (parameter != first->getBypassParameter())
            parameter->setValueNotifyingHost (random.nextFloat());

    settle (*first);
    const auto saved = valuesInState (quarmont::hosting::getPluginState (*first));
    ASSERT_EQ (saved.size(), 55u);
    ASSERT_NE (saved, valuesInState (quarmont::hosting::getPluginState (*second))) << "the host's changes did not arrive";

    quarmont::hosting::restorePluginState (*second, quarmont::hosting::getPluginState (*first));
    settle (*second);
    EXPECT_EQ (valuesInState (quarmont::hosting::getPluginState (*second)), saved);

    // A state holding only band 2's gain: that one changes, the other 54 keep their values.
    juce::MemoryBlock partial;
    juce::AudioProcessor::copyXmlToBinary (*juce::parseXML (R"(<Parameters><PARAM id="band2_gain" value="-12"/></Parameters>)"),
                                           partial);
    quarmont::hosting::restorePluginState (*second, partial);
    settle (*second);

    auto expected = saved;
    expected["band2_gain"] = -12.0f;
    EXPECT_EQ (valuesInState (quarmont::hosting::getPluginState (*second)), expected);
    auto* band2Gain = parameterNamed (*second, "Band 2 Gain");
    ASSERT_NE (band2Gain, nullptr);
    EXPECT_NEAR (hostValueAsNumber (*band2Gain, band2Gain->getValue()), -12.0f, 0.01f);
}
} // namespace
