#pragma once

// What talus-test-cli's exit status tells a script.
enum ExitCode : int {
    ExitOk = 0,             // the answer is complete with a status below 400
    ExitAnswerProblem = 1,  // complete with 400 or more
    ExitUsage = 2,          // usage or bad input; nothing was sent
    ExitTransferFailed = 3, // the transfer failed
    ExitSmokeFailed = 4,    // a smoke step's check failed
};
