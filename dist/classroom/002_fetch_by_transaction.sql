-- The class's record, version 2: the machines fetch the other machines' rounds by the transaction
-- that brought them instead of by when they arrived.
--
-- A round's arrival time is taken as its batch's transaction begins, but the round is seen only
-- once that transaction commits, which may be long after (a slow network, a machine turned off
-- mid-batch): a machine that fetched "everything up to now" in between would never see it. A
-- transaction's number says nothing of its order either, but every transaction numbered below the
-- oldest one still running is over: a fetch that stops there never passes a round still on its
-- way (the machines read that bound with pg_snapshot_xmin(pg_current_snapshot())).

ALTER TABLE round ADD COLUMN tx xid8 NOT NULL DEFAULT pg_current_xact_id();
CREATE INDEX round_by_transaction ON round (tx, machine, number);
DROP INDEX IF EXISTS round_by_arrival;

UPDATE schema_version SET version = 2;
