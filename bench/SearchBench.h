#pragma once

// bench_servizio --search [messages]: the archive's searches and history pages on
// 1,000,000 messages (by default) bulk-loaded into an SQLite file and into a
// PostgreSQL 15 of its own. The texts are drawn from a vocabulary of accented
// made-up words with a long-tailed frequency, the shorter ones the commoner, as
// words are in chat; each search is
// one word taken from a random stored message, lower-cased and without its accents.
// Prints the load times, p50 and p99 of 1,000 searches (50 results) and of 1,000
// history pages (50 messages before a random id of a random room); the last lines
// are `search-p99-ms sqlite X postgres Y` and `history-p99-ms sqlite X postgres Y`.
class SearchBench
{
public:
    static int run(int messages);
};
