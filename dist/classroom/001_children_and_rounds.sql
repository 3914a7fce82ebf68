-- The class's record on the school's server, version 1: its children and their finished rounds.
-- Applied once by scripts/classroom_server.sh (in one transaction, with the version it brings).
-- Names are kept here and nowhere else off the machines; a removed child's name is not kept.

CREATE TABLE schema_version (version integer NOT NULL);
INSERT INTO schema_version VALUES (0);

-- A child of the class. `key`: made by the machine that added them (32 hex digits), the same on
-- every machine. `changed_at`: the adding or changing machine's clock (ms since 1970): of two
-- changes of one child the later wins.
CREATE TABLE child (
    key text PRIMARY KEY CHECK (key ~ '^[0-9a-f]{32}$'),
    name text NOT NULL CHECK (char_length(name) BETWEEN 1 AND 12),
    mark text NOT NULL CHECK (char_length(mark) BETWEEN 1 AND 200),
    added_at bigint NOT NULL,
    changed_at bigint NOT NULL
);

-- The children removed, by key only: a machine that still has one removes them (and their rounds)
-- too, and a change from a machine that was away does not bring them back.
CREATE TABLE removed_child (
    key text PRIMARY KEY,
    removed_at bigint NOT NULL
);

-- A finished round, as a machine recorded it. (machine, number) is the round's key: `machine` is
-- made once per machine (32 hex digits), `number` the machine's own number for the round, never
-- given twice. A round sent twice is taken once.
-- `settings`: count_way, click_to_count, mixed_characters, ask_how_many_people, hide_pointer,
-- blink_time, min_count, max_count. `catches`: [place, at_ms, took_ms] each; `touches`:
-- [seq, at_ms, pass, place, kind, number] (kind 0 counted, 1 out of order, 2 repeat, 3 ignored;
-- number null unless counted); `answers`: [seq, at_ms, attempt, card, right].
CREATE TABLE round (
    machine text NOT NULL CHECK (machine ~ '^[0-9a-f]{32}$'),
    number bigint NOT NULL,
    child_key text NOT NULL REFERENCES child (key) ON DELETE CASCADE,
    began_at bigint NOT NULL,
    ended_at bigint NOT NULL,
    cut_short boolean NOT NULL,
    characters smallint NOT NULL,
    settings smallint[] NOT NULL,
    catches jsonb NOT NULL,
    touches jsonb NOT NULL,
    answers jsonb NOT NULL,
    received_at timestamptz NOT NULL DEFAULT now(),
    PRIMARY KEY (machine, number)
);
CREATE INDEX round_of_child ON round (child_key, began_at);
-- The machines fetch the other machines' rounds by when they arrived.
CREATE INDEX round_by_arrival ON round (received_at);

-- For the teacher: each machine's rounds and when it last sent one.
CREATE VIEW machine_rounds AS
    SELECT machine, count(*) AS rounds, max(received_at) AS last_received
    FROM round GROUP BY machine;

-- Removing a child everywhere: their rounds and their name go, their key stays as removed. The
-- game's role may do this (a machine's adult removes a child after the question that names them)
-- but cannot delete a round otherwise.
CREATE FUNCTION remove_child(gone text, at bigint) RETURNS void
    LANGUAGE sql SECURITY DEFINER SET search_path = public, pg_temp AS $$
    INSERT INTO removed_child VALUES (gone, at) ON CONFLICT (key) DO NOTHING;
    DELETE FROM child WHERE key = gone;
$$;
REVOKE ALL ON FUNCTION remove_child(text, bigint) FROM PUBLIC;

UPDATE schema_version SET version = 1;
