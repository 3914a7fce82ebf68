-- Who may do what in one kindergarten's database, applied after every migration (each grant may be
-- given again). psql variables: game, teacher (the two roles' names), db (the database's name).
--   the game's role:    reads the children and the rounds (the class's report), adds and changes
--                       children, adds rounds, removes a child through remove_child(); it cannot
--                       change or delete a round, nor read the teacher's views.
--   the teacher's role: everything in this database.
REVOKE ALL ON DATABASE :"db" FROM PUBLIC;
REVOKE ALL ON SCHEMA public FROM PUBLIC;
GRANT CONNECT, TEMPORARY ON DATABASE :"db" TO :"game", :"teacher";
GRANT USAGE ON SCHEMA public TO :"game", :"teacher";
GRANT SELECT ON schema_version, child, removed_child, round TO :"game";
GRANT INSERT ON child TO :"game";
-- A round's arrival and transaction are the server's own, never the machine's word.
REVOKE INSERT ON round FROM :"game";
GRANT INSERT (machine, number, child_key, began_at, ended_at, cut_short, characters, settings,
              catches, touches, answers) ON round TO :"game";
GRANT UPDATE (name, mark, changed_at) ON child TO :"game";
GRANT EXECUTE ON FUNCTION remove_child(text, bigint) TO :"game";
GRANT ALL ON ALL TABLES IN SCHEMA public TO :"teacher";
GRANT EXECUTE ON ALL FUNCTIONS IN SCHEMA public TO :"teacher";
