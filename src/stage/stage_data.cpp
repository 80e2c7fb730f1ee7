// The shipped stage script, written step by step: letters for block and item records, loops for
// runs.
#include "stage/stage_script.h"

namespace velkar {

namespace {

constexpr int32_t STAGE_LENGTH = 10000;
constexpr int32_t RANDOM = -1;
constexpr int32_t SPRAYER_STATE = 11;

// Writes the script's words at compile time. Step(n) checks that the next step is number n, so
// the step numbers written below are verified while the table is built.
struct ScriptBuilder {
    int32_t words[STAGE_SCRIPT_WORDS] = {};
    int32_t size = 0;
    int32_t steps = 0;

    constexpr ScriptBuilder& Word(int32_t w) {
        words[size++] = w;
        return *this;
    }
    constexpr ScriptBuilder& Step(int32_t number) {
        if (number != steps) throw "step out of order";
        return *this;
    }
    constexpr ScriptBuilder& End() {
        steps += 1;
        return Word(STEP_END);
    }
    constexpr ScriptBuilder& Block(int32_t op) {
        return Word(op).Word(RANDOM).Word(RANDOM).Word(RANDOM).Word(RANDOM);
    }
    constexpr ScriptBuilder& Item(int32_t kind) {
        return Word(OP_ITEM).Word(RANDOM).Word(RANDOM).Word(kind);
    }
    // Block letters L, W, S, M and item letters P (power), B (bomb), U (life).
    constexpr ScriptBuilder& Run(const char* letters) {
        for (const char* c = letters; *c != '\0'; ++c) {
            switch (*c) {
            case 'L':
                Block(OP_LARGE_BLOCK);
                break;
            case 'W':
                Block(OP_WIDE_BLOCK);
                break;
            case 'S':
                Block(OP_SMALL_BLOCK);
                break;
            case 'M':
                Block(OP_MEDIUM_BLOCK);
                break;
            case 'P':
                Item(2);
                break;
            case 'B':
                Item(1);
                break;
            case 'U':
                Item(3);
                break;
            default:
                throw "unknown letter";
            }
        }
        return *this;
    }
    constexpr ScriptBuilder& Wait(int32_t n) { return Word(OP_WAIT).Word(n); }
    constexpr ScriptBuilder& WaitClear() { return Word(OP_WAIT_CLEAR); }
    constexpr ScriptBuilder& Guardian(int32_t x) { return Word(OP_GUARDIAN).Word(x); }
    constexpr ScriptBuilder& Sentinel(int32_t x, int32_t y) {
        return Word(OP_SENTINEL).Word(x).Word(y);
    }
    constexpr ScriptBuilder& Battery(int32_t x, int32_t y, int32_t duration) {
        return Word(OP_BATTERY).Word(x).Word(y).Word(duration);
    }
    constexpr ScriptBuilder& Diver() { return Word(OP_DIVER).Word(RANDOM).Word(RANDOM); }
    constexpr ScriptBuilder& Sprayer() {
        return Word(OP_SPRAYER).Word(RANDOM).Word(RANDOM).Word(RANDOM).Word(SPRAYER_STATE);
    }
    constexpr ScriptBuilder& RiserPair() { return Word(OP_RISER_PAIR); }
    constexpr ScriptBuilder& ReadyBanner() { return Word(OP_READY_BANNER); }
    constexpr ScriptBuilder& ClearBanner() { return Word(OP_CLEAR_BANNER); }

    // [Diver | Diver | Diver | Diver | (empty)] x k
    constexpr ScriptBuilder& DiverFours(int32_t k) {
        for (int32_t i = 0; i < k; ++i) {
            for (int32_t j = 0; j < 4; ++j)
                Diver().End();
            End();
        }
        return *this;
    }
    // [Sprayer | (empty) | (empty)] x k
    constexpr ScriptBuilder& SprayerThrees(int32_t k) {
        for (int32_t i = 0; i < k; ++i)
            Sprayer().End().End().End();
        return *this;
    }
};

constexpr ScriptBuilder BuildStageScript() {
    ScriptBuilder b;
    b.Word(STAGE_LENGTH);
    b.Step(0).ReadyBanner().End();
    b.Step(1).Wait(40).End();
    b.Step(2).Run("PPPPP").End();
    b.Step(3).Run("LWW").End();
    b.Step(4).Wait(4).End();
    b.Step(5).Run("SSMM").End();
    b.Step(6).Wait(4).End();
    b.Step(7).Run("LMWMM").End();
    b.Step(8).Run("PPP").End();
    b.Step(9).Run("LWWSSMMLMWMM").End();
    b.Step(10).Wait(20).End();
    for (int32_t i = 0; i < 2; ++i) { // 11-22
        for (int32_t j = 0; j < 4; ++j)
            b.Diver().End();
        b.End();
        b.Wait(2).End();
    }
    b.Step(23).DiverFours(2);
    b.Step(33).Wait(2).End();
    b.Step(34).DiverFours(2);
    b.Step(44).Wait(2).End();
    b.Step(45).DiverFours(2);
    b.Step(55).Wait(10).End();
    for (int32_t i = 0; i < 2; ++i)
        b.Diver().End().End(); // 56-59
    b.Step(60).Wait(10).End();
    b.Step(61).DiverFours(4);
    b.Step(81).Wait(2).End();
    b.Step(82).DiverFours(4);
    b.Step(102).Wait(2).End();
    b.Step(103).DiverFours(4);
    b.Step(123).Wait(2).End();
    b.Step(124).DiverFours(4);
    b.Step(144).Wait(2).End();
    b.Step(145).DiverFours(4);
    b.Step(165).Run("B").End();
    b.Step(166).Run("PPPPP").End();
    b.Step(167).Run("LWWLWW").End();
    b.Step(168).Wait(4).End();
    b.Step(169).Run("LWWSSMM").End();
    b.Step(170).Wait(4).End();
    b.Step(171).Run("LWWLMWMMSMM").End();
    b.Step(172).RiserPair().End();
    b.Step(173).Run("LWWLWWSSMM").End();
    b.Step(174).DiverFours(2);
    b.Step(184).Wait(4).End();
    b.Step(185).RiserPair().End();
    b.Step(186).Run("SSMMLWWSSMM").End();
    b.Step(187).DiverFours(2);
    b.Step(197).Wait(4).End();
    for (int32_t i = 0; i < 4; ++i)
        b.RiserPair().End(); // 198-201
    b.Step(202).Run("LMWMMLWWSSMM").End();
    b.Step(203).DiverFours(2);
    b.Step(213).Wait(4).End();
    b.Step(214).Run("LWW").End();
    b.Step(215).Wait(4).End();
    b.Step(216).Run("SSMMLWWSSMM").End();
    b.Step(217).Wait(4).End();
    b.Step(218).Run("LMWMMLWWSSMM").End();
    b.Step(219).Wait(4).End();
    b.Step(220).SprayerThrees(6);
    b.Step(238).End();
    b.Step(239).Wait(4).End();
    b.Step(240).SprayerThrees(6);
    b.Step(258).End();
    b.Step(259).Wait(4).End();
    b.Step(260).Run("WMS").End();
    b.Step(261).Wait(4).End();
    b.Step(262).SprayerThrees(4);
    b.Step(274).End();
    b.Step(275).Wait(4).End();
    b.Step(276).Run("WMSLWWSSMM").End();
    b.Step(277).Wait(4).End();
    b.Step(278).SprayerThrees(8);
    b.Step(302).End();
    b.Step(303).Run("PPP").End();
    b.Step(304).Wait(4).End();
    b.Step(305).Run("WMSLWWSSMMWMS").End();
    b.Step(306).Wait(4).End();
    b.Step(307).Run("WMSLWWSSMMMS").End();
    b.Step(308).Wait(8).End();
    b.Step(309).Wait(20).End();
    b.Step(310).Battery(180, 250, 400).Battery(300, 250, 400).End();
    b.Step(311).Wait(30).End();
    b.Step(312).Wait(4).End();
    b.Step(313).Run("WMSWMSLWWSSMM").End();
    b.Step(314).Wait(4).End();
    b.Step(315).Run("MSWMSLWWSSMM").End();
    b.Step(316).Wait(8).End();
    b.Step(317).Guardian(30).Guardian(130).End();
    b.Step(318).Wait(100).End();
    b.Step(319).Guardian(30).Guardian(130).End();
    b.Step(320).Wait(20).End();
    b.Step(321).Run("W").End();
    b.Step(322).Run("M").End();
    b.Step(323).Run("SSS").End();
    b.Step(324).Run("SSSWMSLWWSSMM").End();
    b.Step(325).Wait(70).End();
    b.Step(326).Sentinel(224, 250).End();
    b.Step(327).Wait(50).End();
    b.Step(328).Run("SSS").End();
    b.Step(329).Run("WMS").End();
    b.Step(330).Run("LWWS").End();
    b.Step(331).Run("SMM").Wait(30).End();
    b.Step(332)
        .Battery(60, 250, 2000)
        .Battery(120, 250, 2000)
        .Battery(180, 250, 2000)
        .Battery(240, 250, 2000)
        .Battery(300, 250, 2000)
        .End();
    b.Step(333).Wait(200).End();
    b.Step(334).Sentinel(90, 220).End();
    b.Step(335).Sentinel(150, 250).End();
    b.Step(336).Sentinel(260, 220).End();
    b.Step(337).Wait(50).End();
    b.Step(338).Run("W").End();
    b.Step(339).Run("M").End();
    b.Step(340).Run("SSS").End();
    b.Step(341).Run("SSSWMSLWWSSMM").End();
    b.Step(342).WaitClear().End();
    b.Step(343).Run("UB").ClearBanner().End();
    b.Step(344).WaitClear().End();
    b.Step(345).Word(OP_END);
    return b;
}

constexpr ScriptBuilder Built = BuildStageScript();
static_assert(Built.size == STAGE_SCRIPT_WORDS, "the script fills its table exactly");
static_assert(MeasureScript(Built.words, STAGE_SCRIPT_WORDS).words == STAGE_SCRIPT_WORDS,
              "every record of the script is well formed");

} // namespace

const int32_t (&StageScript)[STAGE_SCRIPT_WORDS] = Built.words;

} // namespace velkar
