#pragma once

// bench_servizio --postgres: two instances over one PostgreSQL 15 behind nginx
// against one instance over an SQLite file, in one run: polls per second (wrk,
// 50 connections, a room of 50 messages) and puts per second (wrk, 8 connections,
// every answer a committed message); first, the processor share of an idle instance
// over five full rooms. The last line is
// `ratio polls P puts Q`, PostgreSQL's figures over SQLite's.
class PostgresBench
{
public:
    static int run(int seconds);
};
