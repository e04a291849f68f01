-- The organisation's history of visits (merrowby records push, merrowby history --database):
-- its database and the roles it needs. Run once by a PostgreSQL superuser:
--
--   psql -h db.example.org -U postgres -f roles.sql
--
-- merrowby_owner owns the database and its tables. The program makes the tables, and brings
-- them to a later program's version, when run with this login:
--
--   merrowby records push --database postgresql://merrowby_owner@db.example.org/merrowby
--
-- merrowby_technicians may add visits and read the history; no technician may change or
-- remove a visit. A record that grew since it was sent is added again, and the history reads
-- the longest copy of each visit.

CREATE ROLE merrowby_owner LOGIN;
CREATE ROLE merrowby_technicians NOLOGIN;
CREATE DATABASE merrowby OWNER merrowby_owner ENCODING 'UTF8' TEMPLATE template0;

\connect merrowby

-- Only the owner and the technicians connect; only the owner makes tables.
REVOKE ALL ON DATABASE merrowby FROM PUBLIC;
GRANT CONNECT ON DATABASE merrowby TO merrowby_technicians;
REVOKE CREATE ON SCHEMA public FROM PUBLIC;
GRANT USAGE ON SCHEMA public TO merrowby_technicians;

-- Every table the program makes as merrowby_owner: read and added to, never updated,
-- deleted or emptied.
ALTER DEFAULT PRIVILEGES FOR ROLE merrowby_owner IN SCHEMA public
    GRANT SELECT, INSERT ON TABLES TO merrowby_technicians;
ALTER DEFAULT PRIVILEGES FOR ROLE merrowby_owner IN SCHEMA public
    GRANT USAGE ON SEQUENCES TO merrowby_technicians;

-- Then each technician, a login of that role (psql's \password asks for the password
-- without showing it):
--
--   CREATE ROLE alice LOGIN IN ROLE merrowby_technicians;
--   \password alice
--
-- and the owner's password likewise: \password merrowby_owner
