// Shared by the kernel tests and their test module: records what the module was called with and
// tells it what to answer. Kept in a library of its own so that it outlives the module.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

void KxTestRecord(const std::string& event);
std::vector<std::string> KxTestEvents();
void KxTestClearEvents();

void KxTestSetCheckResult(int32_t result);
int32_t KxTestCheckResult();
void KxTestSetInitResult(int32_t result);
int32_t KxTestInitResult();

// Failures the test storage module is told to answer: the next call of an operation answers code
// (0: no failure); KX_TEST_THROW makes it throw std::runtime_error instead.
constexpr int32_t KX_TEST_THROW = -99999;
void KxTestSetFailure(const std::string& operation, int32_t code);
int32_t KxTestTakeFailure(const std::string& operation);
